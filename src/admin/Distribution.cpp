#include "admin/Distribution.h"

#include "platform/RecordFile.h"
#include "records/ResultsFile.h"
#include "state/ProgramState.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <climits>
#include <cstring>
#include <unordered_map>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace karuvel {

// ---------------------------------------------------------------------------
// Tables

int64_t DistributionTables::runs(int level) const
{
    return level >= 1 && level <= kCountedLevels ? runsPerLevel[size_t(level)] : 0;
}

int64_t DistributionTables::allRuns(int level, int band) const
{
    if (level < 1 || level > kBandLevels || band < 0 || band > kLastBand) return 0;
    return allRunBands[size_t(level)][size_t(band)];
}

int64_t DistributionTables::bestRuns(int level, int band) const
{
    if (level < 1 || level > kBandLevels || band < 0 || band > kLastBand) return 0;
    return bestRunBands[size_t(level)][size_t(band)];
}

int distributionBand(int64_t seconds, int last)
{
    if (seconds < 0) return 0;
    const int64_t band = seconds / 10;
    return band > last ? last : int(band);
}

// ---------------------------------------------------------------------------
// Counting

// Each pupil's best time per level 1..50: pupils 0..5000 in a table, with
// the cells touched since begin() so that the next count clears only those;
// any other pupil number (a damaged record) in a map.
struct DistributionCounter::Best {
    static constexpr int kPupils = kMaxPupil + 1;
    std::vector<int32_t> time = std::vector<int32_t>(size_t(DistributionTables::kBandLevels + 1) * kPupils, INT32_MAX);
    std::vector<uint32_t> touched;
    std::unordered_map<uint32_t, int32_t> others;  // level << 16 | 16-bit pupil number

    void clear()
    {
        for (uint32_t c : touched) time[c] = INT32_MAX;
        touched.clear();
        others.clear();
    }
    void add(int level, int pupil, int32_t seconds)
    {
        // INT32_MAX marks a cell without a time: the largest time is kept one
        // below it (same band), so a pupil's cell is never listed twice.
        if (seconds == INT32_MAX) seconds = INT32_MAX - 1;
        if (pupil >= 0 && pupil < kPupils) {
            const uint32_t c = uint32_t(level) * kPupils + uint32_t(pupil);
            int32_t& best = time[c];
            if (best == INT32_MAX) touched.push_back(c);
            if (seconds < best) best = seconds;
            return;
        }
        const uint32_t key = uint32_t(level) << 16 | uint16_t(int16_t(pupil));
        auto [it, fresh] = others.try_emplace(key, seconds);
        if (!fresh && seconds < it->second) it->second = seconds;
    }
    template <typename F>
    void forEach(F f) const
    {
        for (uint32_t c : touched) f(int(c / kPupils), time[c]);
        for (const auto& [key, best] : others) f(int(key >> 16), best);
    }
};

DistributionCounter::DistributionCounter() : best_(std::make_unique<Best>()) {}
DistributionCounter::~DistributionCounter() = default;

void DistributionCounter::begin()
{
    best_->clear();
    t_ = DistributionTables();
}

void DistributionCounter::add(int level, int pupil, int32_t seconds)
{
    if (level < 1 || level > DistributionTables::kCountedLevels || seconds < 0) return;
    ++t_.runsPerLevel[size_t(level)];
    if (level > DistributionTables::kBandLevels) return;
    ++t_.allRunBands[size_t(level)][size_t(distributionBand(seconds, DistributionTables::kLastBand))];
    best_->add(level, pupil, seconds);
}

void DistributionCounter::finish(DistributionTables* tables)
{
    best_->forEach([&](int level, int32_t best) {
        ++t_.bestRunBands[size_t(level)][size_t(distributionBand(best, DistributionTables::kLastBestBand))];
    });
    *tables = t_;
}

DistributionTables distributionOf(const std::vector<DistributionRun>& runs)
{
    DistributionCounter counter;
    counter.begin();
    for (const DistributionRun& r : runs) counter.add(r.level, r.pupil, r.seconds);
    DistributionTables t;
    counter.finish(&t);
    return t;
}

// ---------------------------------------------------------------------------
// Lines

namespace {
template <typename Count>
QStringList bandLines(const QString& heading, Count count)
{
    int64_t largest = 0;
    for (int b = 0; b <= DistributionTables::kLastBand; ++b) largest = std::max(largest, count(b));
    int64_t scale = largest / 10;
    if (scale == 0) scale = 1;
    QStringList lines{heading.arg(scale)};
    const QString star = QStringLiteral("★");
    for (int b = 0; b <= DistributionTables::kLastBand; ++b) {
        const QString label = (QStringLiteral("  ") + QString::number(b * 10)).right(4);
        const auto stars = int64_t(double(count(b)) / double(scale) + 0.5);
        lines.append(label + QStringLiteral("～") + star.repeated(qsizetype(stars)));
    }
    return lines;
}
} // namespace

QStringList allRunsLines(const DistributionTables& tables, int level)
{
    const QString heading = QStringLiteral("レベル") + QString::number(level) + QStringLiteral(" 今まで") +
                            QString::number(tables.runs(level)) + QStringLiteral("回  （★=%1）");
    return bandLines(heading, [&](int b) { return tables.allRuns(level, b); });
}

QStringList bestTimeLines(const DistributionTables& tables, int level)
{
    const QString heading = QStringLiteral("レベル") + QString::number(level) + QStringLiteral(" （★=%1）");
    return bandLines(heading, [&](int b) { return tables.bestRuns(level, b); });
}

// ---------------------------------------------------------------------------
// The results file

DistributionSource::DistributionSource(QString path) : path_(std::move(path)) {}

DistributionSource::Stamp DistributionSource::stampOf(const QString& path, bool* exists)
{
    Stamp s;
#ifndef _WIN32
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        *exists = false;
        return s;
    }
    s.size = int64_t(st.st_size);
    s.modifiedNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.changedNs = int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    s.device = uint64_t(st.st_dev);
    s.inode = uint64_t(st.st_ino);
#else
    QFileInfo info(path);
    if (!info.exists()) {
        *exists = false;
        return s;
    }
    s.size = info.size();
    s.modifiedNs = info.lastModified().toMSecsSinceEpoch() * 1000000;
    s.changedNs = info.metadataChangeTime().toMSecsSinceEpoch() * 1000000;
#endif
    *exists = true;
    s.valid = true;
    return s;
}

DistributionSource::Result DistributionSource::refresh(QString* problem)
{
    bool exists = false;
    const Stamp now = stampOf(path_, &exists);
    if (!exists) {
        stamp_ = Stamp();
        tables_ = DistributionTables();
        return Result::Missing;
    }
    if (stamp_.valid && now == stamp_) return Result::Unchanged;

    RecordFile file;
    auto failed = [&](RecordFile& f) {
        if (f.errorKind() == FileErrorKind::Busy) return Result::Busy;  // the last tables stand
        stamp_ = Stamp();
        tables_ = DistributionTables();
        if (problem)
            *problem = QStringLiteral("「%1」を読むことができません。\r\n%2\r\n%3")
                           .arg(QFileInfo(path_).fileName(), QFileInfo(path_).absoluteFilePath(), fromUtf8(f.errorText()));
        return Result::Failed;
    };
    if (!file.open(toFsPath(path_), RecordFile::Mode::Read)) {
        if (file.errorKind() == FileErrorKind::NotFound) {
            stamp_ = Stamp();
            tables_ = DistributionTables();
            return Result::Missing;
        }
        return failed(file);
    }
    const int64_t size = file.size();
    if (size < 0) return failed(file);
    const int64_t records = size / kRecordSize;

    constexpr int64_t kBlockRecords = 8192;
    std::vector<char> block(size_t(kBlockRecords * kRecordSize));
    counter_.begin();
    for (int64_t first = 0; first < records; first += kBlockRecords) {
        const int64_t n = std::min(kBlockRecords, records - first);
        int64_t got = 0;
        if (!file.readAt(first * kRecordSize, block.data(), n * kRecordSize, &got)) return failed(file);
        const int64_t whole = got / kRecordSize;
        for (int64_t i = 0; i < whole; ++i) {
            const char* p = block.data() + i * kRecordSize;
            int16_t pupil, level;
            int32_t seconds;
            std::memcpy(&pupil, p + 16, 2);
            std::memcpy(&level, p + 18, 2);
            std::memcpy(&seconds, p + 20, 4);
#if Q_BYTE_ORDER == Q_BIG_ENDIAN
            pupil = int16_t(__builtin_bswap16(uint16_t(pupil)));
            level = int16_t(__builtin_bswap16(uint16_t(level)));
            seconds = int32_t(__builtin_bswap32(uint32_t(seconds)));
#endif
            counter_.add(level, pupil, seconds);
        }
        if (whole < n) break;  // the file was cut short meanwhile
    }
    counter_.finish(&tables_);
    stamp_ = now;
    ++reads_;
    return Result::Read;
}

} // namespace karuvel
