#include "admin/Distribution.h"

#include "platform/RecordFile.h"
#include "records/ResultsFile.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <climits>
#include <cstring>

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

// Each pupil's best time per level 1..50, by level and the pupil's 16-bit
// number, with the cells touched since begin() so that the next count clears
// only those.
struct DistributionCounter::Best {
    static constexpr int kPupils = 65536;
    std::vector<int32_t> time = std::vector<int32_t>(size_t(DistributionTables::kBandLevels + 1) * kPupils, INT32_MAX);
    std::vector<uint32_t> touched;

    static uint32_t cell(int level, int pupil) { return uint32_t(level) * kPupils + uint16_t(int16_t(pupil)); }
};

DistributionCounter::DistributionCounter() : best_(std::make_unique<Best>()) {}
DistributionCounter::~DistributionCounter() = default;

void DistributionCounter::begin()
{
    for (uint32_t c : best_->touched) best_->time[c] = INT32_MAX;
    best_->touched.clear();
    t_ = DistributionTables();
}

void DistributionCounter::add(int level, int pupil, int32_t seconds)
{
    if (level < 1 || level > DistributionTables::kCountedLevels || seconds < 0) return;
    ++t_.runsPerLevel[size_t(level)];
    if (level > DistributionTables::kBandLevels) return;
    ++t_.allRunBands[size_t(level)][size_t(distributionBand(seconds, DistributionTables::kLastBand))];
    const uint32_t c = Best::cell(level, pupil);
    int32_t& best = best_->time[c];
    if (best == INT32_MAX) {
        best_->touched.push_back(c);
        best = seconds;
    } else if (seconds < best) {
        best = seconds;
    }
}

void DistributionCounter::finish(DistributionTables* tables)
{
    for (uint32_t c : best_->touched) {
        const size_t level = c / Best::kPupils;
        ++t_.bestRunBands[level][size_t(distributionBand(best_->time[c], DistributionTables::kLastBestBand))];
    }
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
                           .arg(QFileInfo(path_).fileName(), QFileInfo(path_).absoluteFilePath(), f.errorText());
        return Result::Failed;
    };
    if (!file.open(path_, RecordFile::Mode::Read)) {
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
