#include "records/ResultsFile.h"
#include "records/ResultsReading.h"

#include "platform/Calendar.h"
#include "platform/Cp932.h"
#include "platform/Platform.h"
#include "platform/RecordFile.h"
#include "state/ProgramState.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

namespace karuvel {

namespace {

constexpr int kNotFoundWaitMs = 5000;  // file not found: wait, then try again
constexpr int kNotFoundTries = 4;      // ... this many times, then give up
constexpr int kBusyWaitMs = 1000;      // another PC is appending: wait, try again
constexpr int kDeniedTries = 30;       // access refused: tries before giving up
constexpr int kLockPollMs = 100;       // append: how often the lock is tried
// Records read per block: about 256 KiB, so that a block, the arrays it fills
// and the tables it updates stay in the processor's cache together.
constexpr int64_t kBlockRecords = 5958;
// How many records ahead the loader fetches the best time it will compare with.
constexpr int64_t kAhead = 8;

using reading::get16;
using reading::get32;
using reading::getDouble;
using reading::RecordSink;
using reading::kChunkRecords;

// Little-endian fields.
void put16(char* p, int16_t v)
{
    const auto u = uint16_t(v);
    p[0] = char(u & 0xff);
    p[1] = char(u >> 8);
}
void put32(char* p, int32_t v)
{
    const auto u = uint32_t(v);
    for (int i = 0; i < 4; ++i) p[i] = char((u >> (8 * i)) & 0xff);
}
void putDouble(char* p, double v)
{
    uint64_t u;
    std::memcpy(&u, &v, 8);
    for (int i = 0; i < 8; ++i) p[i] = char((u >> (8 * i)) & 0xff);
}
// A 5-byte text field: exactly 5 bytes, cut or space-padded.
void putText5(char* p, const QByteArray& text)
{
    std::memset(p, ' ', 5);
    std::memcpy(p, text.constData(), size_t(std::min<qsizetype>(5, text.size())));
}

// A CP932 text left-aligned in 5 bytes: cut at a character boundary (never
// leaving half a double-byte character), then padded with blanks.
QByteArray text5(const QString& text)
{
    const QByteArray bytes = encodeCp932(text);
    int n = 0;
    while (n < bytes.size()) {
        const auto b = uint8_t(bytes[n]);
        const bool lead = (b >= 0x81 && b <= 0x9f) || (b >= 0xe0 && b <= 0xfc);
        const int w = lead ? 2 : 1;
        if (n + w > 5) break;
        n += w;
    }
    QByteArray out = bytes.left(n);
    out.append(QByteArray(5 - n, ' '));
    return out;
}

// ---- Reading the whole file with the retry rules ------------------------

// Unsure: what lies beside the file (an interrupted rewrite's journal) cannot
// be looked at now; waited for as access refused is.
enum class ReadStatus { Ok, NotFound, Busy, Denied, Unsure, Other };

struct ReadFailure {
    ReadStatus status = ReadStatus::Ok;
    int step = 0;  // 1 open, 3 length, 4 read
    int number = 0;
    QString text;
    QString fault;  // the file at fault when it is not the results file (the journal, the stamp)
};

ReadFailure failure(ReadStatus status, int step, const RecordFile& f)
{
    return ReadFailure{status, step, f.errorNumber(), fromUtf8(f.errorText()), {}};
}

ReadStatus statusOf(FileErrorKind k)
{
    switch (k) {
    case FileErrorKind::None: return ReadStatus::Ok;
    case FileErrorKind::NotFound: return ReadStatus::NotFound;
    case FileErrorKind::Busy: return ReadStatus::Busy;
    case FileErrorKind::Denied: return ReadStatus::Denied;
    case FileErrorKind::Other: return ReadStatus::Other;
    }
    return ReadStatus::Other;
}

// The block buffers of the two lanes, kept between loads.
std::vector<char>& blockBuffer(int lane)
{
    static std::vector<char> b[2] = {std::vector<char>(size_t(kBlockRecords * kRecordSize)),
                                     std::vector<char>(size_t(kBlockRecords * kRecordSize))};
    return b[lane];
}

// A file this large is read by two lanes at the same time when the sink can
// take it and the processor has two cores.
constexpr int64_t kTwoLaneRecords = 100000;

// The chunks of one read, taken in turn by the lanes.
struct Chunks {
    int64_t records = 0;
    std::atomic<int64_t> next{0};
    std::atomic<bool> stop{false};  // a lane failed: the others stop too

    // The records from..to-1 of the next chunk; false when none is left.
    bool take(int64_t* from, int64_t* to)
    {
        if (stop.load(std::memory_order_relaxed)) return false;
        *from = next.fetch_add(1, std::memory_order_relaxed) * kChunkRecords;
        if (*from >= records) return false;
        *to = std::min(records, *from + kChunkRecords);
        return true;
    }
};

// What one lane read: the last record it read (of the file's records, the
// one furthest on) and its failure.
struct LaneRead {
    int error = 0;
    bool failed = false;
    // The file ended before the length it had under the lock: a program
    // that ignores the lock cut it short while it was read.
    bool cut = false;
    int64_t lastAt = -1;
    std::array<char, kRecordSize> last{};

    void saw(int64_t at, const char* bytes)
    {
        if (at <= lastAt) return;
        lastAt = at;
        std::memcpy(last.data(), bytes, kRecordSize);
    }
};

// Reads chunks through one lane of the sink, the next one free each time,
// until none is left, each in blocks into the lane's buffer. A chunk the
// file turns out too short for stops the reading (the lanes may have read
// records of the file before and after it was cut, which no state of the
// file ever held together).
void readLane(const RecordFile& f, RecordSink& sink, int lane, Chunks& chunks, LaneRead* out)
{
    int64_t from = 0, to = 0;
    std::vector<char>& buf = blockBuffer(lane);
    while (chunks.take(&from, &to)) {
        sink.chunk(lane, from);
        for (int64_t done = from; done < to;) {
            const int64_t want = std::min(kBlockRecords, to - done);
            int64_t got = 0;
            if (!f.readAtConcurrently(done * kRecordSize, buf.data(), want * kRecordSize, &got, &out->error)) {
                out->failed = true;
                chunks.stop = true;
                return;
            }
            const int64_t whole = got / kRecordSize;
            if (whole > 0) {
                sink.block(lane, buf.data(), whole);
                out->saw(done + whole - 1, buf.data() + (whole - 1) * kRecordSize);
            }
            done += whole;
            if (whole < want) {
                out->cut = true;
                chunks.stop = true;
                return;
            }
        }
    }
}

// The rewrite stamp beside the file (see RewriteJournal.h): empty when there
// is none; nullopt when it cannot be read.
std::optional<QByteArray> readStampOf(const std::filesystem::path& results)
{
    std::string stamp;
    if (karuvel::readStamp(results, &stamp) != 0) return std::nullopt;
    return QByteArray(stamp.data(), qsizetype(stamp.size()));
}

// One attempt: open (creating the file empty when it is absent), take the
// shared lock without waiting, read the whole records in chunks.
ReadFailure readOnce(const std::filesystem::path& path, RecordSink& sink, std::array<char, kRecordSize>* last,
                     bool* any)
{
    RecordFile f;
    if (!f.open(path, RecordFile::Mode::Read)) {
        if (f.errorKind() != FileErrorKind::NotFound) return failure(statusOf(f.errorKind()), 1, f);
        // Absent: create it empty when its folder is there (the folder missing
        // stays "not found", as does a folder where nothing can be created).
        RecordFile create;
        if (!create.open(path, RecordFile::Mode::ReadWriteCreate)) {
            ReadFailure r = failure(statusOf(create.errorKind()), 1, create);
            if (r.status == ReadStatus::Denied) r.status = ReadStatus::NotFound;
            return r;
        }
        create.close();
        if (!f.open(path, RecordFile::Mode::Read)) return failure(statusOf(f.errorKind()), 1, f);
    }
    // The shared lock keeps an append from landing half-way through the read.
    // A file system without locks is read without it.
    bool unfinished = false;
    std::filesystem::path fault;
    const LockResult locked = lockForReading(f, false, &unfinished, &fault);
    if (locked == LockResult::Busy) return failure(ReadStatus::Busy, 1, f);
    // A rewrite that a PC left half done and that cannot be finished now, or a
    // journal that cannot be looked at: waited for, then told naming the file.
    if (unfinished) {
        ReadFailure r = failure(statusOf(f.errorKind()) == ReadStatus::Busy ? ReadStatus::Busy : ReadStatus::Unsure, 1, f);
        if (!fault.empty()) r.fault = fromFsPath(fault);
        return r;
    }

    const int64_t length = f.size();
    if (length < 0) return failure(statusOf(f.errorKind()), 3, f);
    const int64_t records = length / kRecordSize;

    // A sink that holds the file's first records reads only what follows
    // them, with the last of them again as a check that they are still this
    // file's (a file replaced by a rewrite has another identity; one cut
    // short and written again in place is caught by the check).
    int64_t modified = 0;
    sink.observed(records, f.modified(&modified) ? modified : 0);
    FileIdentity identity;
    const RecordSink::Held held = sink.held(f.identity(&identity) ? &identity : nullptr, [&] { return readStampOf(path); });
    if (held.records > 0 && held.records <= records) {
        const int64_t fresh = records - held.records;
        static FileTail tail;
        if (!readTail(f, (held.records - 1) * kRecordSize, &tail)) return failure(statusOf(f.errorKind()), 4, f);
        // Shorter than its length said (cut by a program that ignores the
        // lock), or another record where the last held one was: read whole.
        if (tail.identity == identity && int64_t(tail.bytes.size()) >= (fresh + 1) * kRecordSize &&
            std::memcmp(tail.bytes.data(), held.last, kRecordSize) == 0) {
            sink.appended(tail.bytes.data() + kRecordSize, fresh);
            std::memcpy(last->data(), tail.bytes.data() + fresh * kRecordSize, kRecordSize);
            *any = true;
            sink.end(records, last->data());
            f.close();
            return ReadFailure{};
        }
    }

    const bool twoLanes = sink.twoLanes() && records >= kTwoLaneRecords && std::thread::hardware_concurrency() >= 2;
    sink.begin(records);

    Chunks chunks;
    chunks.records = records;
    LaneRead reads[2];
    std::thread second;
    if (twoLanes) {
        try {
            second = std::thread([&] { readLane(f, sink, 1, chunks, &reads[1]); });
        } catch (const std::system_error&) {
            // No thread to be had: the first lane takes every chunk.
        }
    }
    readLane(f, sink, 0, chunks, &reads[0]);
    if (second.joinable()) second.join();
    for (const LaneRead& r : reads) {
        if (!r.failed) continue;
        f.adoptError(r.error);
        return failure(statusOf(f.errorKind()), 4, f);
    }
    // Cut short meanwhile: read again, as the file is now.
    if (reads[0].cut || reads[1].cut) return ReadFailure{ReadStatus::Busy, 4, 0, QString()};
    // The shared buffer takes the last record read.
    const LaneRead& furthest = reads[1].lastAt > reads[0].lastAt ? reads[1] : reads[0];
    if (furthest.lastAt >= 0) {
        *last = furthest.last;
        *any = true;
    }
    sink.end(records, *any ? last->data() : nullptr);
    f.close();
    return ReadFailure{};
}

QString displayPath(const QString& path) { return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()); }

// What a failure the retries could not mend is told as.
ResultsError readError(const QString& resultsPath, const ReadFailure& r)
{
    ResultsError e;
    e.kind = r.status == ReadStatus::NotFound ? ResultsError::Kind::NotFound : ResultsError::Kind::Unreadable;
    e.path = resultsPath;
    e.fault = r.fault;
    e.step = r.step;
    e.number = r.number;
    e.text = r.text;
    return e;
}

// Reads the file through the sink with the retry rules of the shared results
// file; what the retries cannot mend is returned.
ResultsError readResults(RecordSink& sink)
{
    const QString path = resultsFilePath();
    int notFound = 0;
    int denied = 0;
    std::array<char, kRecordSize> last{};
    for (;;) {
        bool any = false;
        const ReadFailure r = readOnce(toFsPath(path), sink, &last, &any);
        switch (r.status) {
        case ReadStatus::Ok:
            // The records went through the shared buffer: it holds the last one.
            if (any) ResultRecord() = ResultRecordData::fromBytes(last.data());
            return {};
        case ReadStatus::NotFound:
            clock().waitResponsive(kNotFoundWaitMs);
            if (++notFound >= kNotFoundTries) return readError(path, r);
            break;
        case ReadStatus::Busy:
            clock().waitResponsive(kBusyWaitMs);
            break;
        case ReadStatus::Denied:
        case ReadStatus::Unsure:
            clock().waitResponsive(kBusyWaitMs);
            if (++denied >= kDeniedTries) return readError(path, r);
            break;
        case ReadStatus::Other:
            return readError(path, r);
        }
    }
}

// The sink of the records held in memory: on a whole read it keeps every
// usable record (RecEntries, RecordCount) and those that take part in the
// best times only (RecBestOnly); on a resumed read it adds the records
// appended. Until the reading ends well the state holds no records: a
// failure (also one that ends the program) leaves nothing half-read behind.
class HeldSink : public RecordSink {
public:
    HeldSink(ProgramState& s, const QString& path)
        : s_(s), was_(s.RecSource), wasCount_(s.RecordCount), wasBestOnly_(std::move(s.RecBestOnly)), keeper_(s),
          path_(path)
    {
        s_.RecSource.held = false;
        s_.RecordCount = 0;
        s_.RecBestOnly.clear();
    }

    bool twoLanes() const override { return true; }

    void observed(int64_t records, int64_t modified) override
    {
        modified_ = modified;
        // The same length, yet changed since (a hand edit, a same-length copy
        // put back without a new stamp): what is held cannot be trusted.
        changedInPlace_ = records == was_.records && (modified == 0 || modified != was_.modified);
    }

    Held held(const FileIdentity* identity, const std::function<std::optional<QByteArray>()>& stamp) override
    {
        const std::optional<QByteArray> now = stamp();
        known_ = identity != nullptr && now.has_value();
        if (identity) identity_ = *identity;
        if (now) stamp_ = *now;
        const bool same = was_.held && known_ && was_.path == path_ && was_.volume == identity_.volume &&
                          was_.file == identity_.file && was_.stamp == stamp_ && !changedInPlace_ &&
                          was_.last.size() == kRecordSize &&
                          s_.RecEntries.size() == size_t(wasCount_) + 1;
        if (!same) return {};
        return {was_.records, was_.last.constData()};
    }

    void appended(const char* p, int64_t records) override
    {
        whole_ = false;
        s_.RecEntries.resize(size_t(wasCount_) + 1);
        for (int64_t i = 0; i < records; ++i, p += kRecordSize) {
            const int level = get16(p + reading::kLevelAt), pupil = get16(p + reading::kPupilAt);
            if (!reading::inTables(level, pupil)) continue;
            const int32_t time = get32(p + reading::kTimeAt);
            const double date = getDouble(p);
            RecEntry e;
            reading::RecordKeeper::entryOf(&e, p, level, pupil, time, date);
            if (reading::RecordKeeper::keeps(level, pupil, date)) {
                s_.RecEntries.push_back(e);
            } else {
                wasBestOnly_.push_back(e);
            }
        }
    }

    void begin(int64_t records) override
    {
        whole_ = true;
        keeper_.begin(records);
        for (int k = 0; k < 2; ++k) {
            lanes_[k] = reading::RecordKeeper::Lane();
            bestOnly_[k].clear();
        }
    }
    void chunk(int lane, int64_t first) override { keeper_.next(lanes_[lane], first); }
    void block(int lane, const char* p, int64_t records) override
    {
        reading::RecordKeeper::Lane& out = lanes_[lane];
        std::vector<RecEntry>& bestOnly = bestOnly_[lane];
        // The entries a group of records keeps gather here and go to the
        // array together.
        alignas(64) RecEntry kept[64];
        for (int64_t i = 0; i < records;) {
            const int64_t end = std::min(records, i + 64);
            int staged = 0;
            for (; i < end; ++i, p += kRecordSize) {
                reading::fetchAhead(p);
                const int level = get16(p + reading::kLevelAt), pupil = get16(p + reading::kPupilAt);
                if (!reading::inTables(level, pupil)) continue;
                const int32_t time = get32(p + reading::kTimeAt);
                const double date = getDouble(p);
                if (reading::RecordKeeper::keeps(level, pupil, date)) {
                    reading::RecordKeeper::entryOf(&kept[staged++], p, level, pupil, time, date);
                } else {
                    RecEntry e;
                    reading::RecordKeeper::entryOf(&e, p, level, pupil, time, date);
                    bestOnly.push_back(e);
                }
            }
            out.keepMany(kept, staged);
        }
        out.flush();
    }

    void end(int64_t records, const char* last) override
    {
        if (whole_) {
            for (auto& lane : lanes_) keeper_.close(lane);
            keeper_.finish();
            s_.RecBestOnly = bestOnly_[0];
            s_.RecBestOnly.insert(s_.RecBestOnly.end(), bestOnly_[1].begin(), bestOnly_[1].end());
        } else {
            s_.RecordCount = int(s_.RecEntries.size() - 1);
            s_.RecBestOnly = std::move(wasBestOnly_);
        }
        ProgramState::ResultsSource& held = s_.RecSource;
        held.held = known_ && records > 0;
        held.path = path_;
        held.volume = identity_.volume;
        held.file = identity_.file;
        held.records = records;
        held.last = last ? QByteArray(last, kRecordSize) : QByteArray();
        held.stamp = stamp_;
        held.modified = modified_;
    }

private:
    ProgramState& s_;
    const ProgramState::ResultsSource was_;
    const int wasCount_;
    std::vector<RecEntry> wasBestOnly_;
    reading::RecordKeeper keeper_;
    reading::RecordKeeper::Lane lanes_[2];
    std::vector<RecEntry> bestOnly_[2];
    bool whole_ = false;
    const QString path_;
    bool known_ = false;
    FileIdentity identity_;
    QByteArray stamp_;
    int64_t modified_ = 0;
    bool changedInPlace_ = false;
};

class AllRecordsSink : public RecordSink {
public:
    explicit AllRecordsSink(std::vector<ResultRecordData>* out) : out_(out) {}
    void begin(int64_t records) override
    {
        out_->clear();
        out_->reserve(size_t(records));
    }
    void block(int, const char* p, int64_t records) override
    {
        for (int64_t i = 0; i < records; ++i) out_->push_back(ResultRecordData::fromBytes(p + i * kRecordSize));
    }

private:
    std::vector<ResultRecordData>* out_;
};

// ---- Appending ----------------------------------------------------------

ResultsError appendError(const QString& path, const QString& why, int number)
{
    ResultsError e;
    e.kind = ResultsError::Kind::NotStored;
    e.path = path;
    e.text = why;
    e.number = number;
    return e;
}

// Opens the file (created when absent) and takes its exclusive lock, waiting
// while another PC holds it, keeping the screen responsive. A rewrite by the
// records manager may replace the file while this one waits: the lock then
// belongs to a file no longer at the path, and the file that is there now is
// opened and locked instead, as often as it takes. Writing into the replaced
// file would lose the run, so the whole of it (waits and replacements alike)
// is bounded by kAppendLockWaitMs and then fails like any lock held too long.
bool lockForWriting(RecordFile& f, const QString& path, QString* why, int* number)
{
    LockWaiting waiting;
    waiting.limitMs = kAppendLockWaitMs;
    waiting.pollMs = kLockPollMs;
    waiting.wait = [](int ms) { clock().waitResponsive(ms); };
    waiting.tickMs = [] { return clock().tickMs(); };
    FileFailure failure;
    switch (karuvel::lockForWriting(f, toFsPath(path), waiting, &failure)) {
    case WriteLock::Locked: return true;
    case WriteLock::Busy:
        *why = QStringLiteral("他のパソコンが%1秒以上使用中です。").arg(kAppendLockWaitMs / 1000);
        *number = 0;
        return false;
    case WriteLock::CannotOpen:
        *why = QStringLiteral("ファイルを開けません：") + fromUtf8(f.errorText());
        *number = f.errorNumber();
        return false;
    case WriteLock::Failed: break;
    }
    if (!failure.at.empty()) {
        // The journal of an interrupted rewrite (or the stamp) is at fault.
        *why = QStringLiteral("「%1」を確かめられません：").arg(displayPath(fromFsPath(failure.at))) + fromUtf8(failure.text);
        *number = failure.number;
        return false;
    }
    *why = QStringLiteral("ファイルをロックできません：") + fromUtf8(f.errorText());
    *number = f.errorNumber();
    return false;
}

} // namespace

namespace reading {

ResultsError readForLoad(RecordSink& sink) { return readResults(sink); }

int64_t blockBufferBytes() { return 2 * kBlockRecords * kRecordSize; }

void RecordKeeper::begin(int64_t records)
{
    // Room for every record (index 0 unused); the final size is set by finish().
    const size_t n = size_t(records) + 1;
    // Room beyond the file's records too, for the records appended later
    // to be added without moving the array.
    if (s_.RecEntries.capacity() < n) s_.RecEntries.reserve(n + n / 8 + 4096);
    if (s_.RecEntries.size() < n) s_.RecEntries.resize(n);
    keptIn_.assign(size_t((records + kChunkRecords - 1) / kChunkRecords), 0);
}

RecordKeeper::Lane::Lane(RecordKeeper& keeper, int64_t first)
    : open_(true), first_(first), k_(first), out_(keeper.s_.RecEntries.data() + first + 1)
{
}

void RecordKeeper::close(Lane& lane)
{
    if (!lane.open()) return;
    lane.flush();
    keptIn_[size_t(lane.first() / kChunkRecords)] = lane.kept();
    lane = Lane();
}

void RecordKeeper::finish()
{
    // Chunk c wrote from index c * kChunkRecords + 1 on; the chunks before it
    // filled `count` slots.
    int64_t count = 0;
    for (size_t c = 0; c < keptIn_.size(); ++c) {
        const int64_t n = keptIn_[c];
        const size_t from = c * size_t(kChunkRecords) + 1, to = size_t(count) + 1;
        if (n > 0 && from != to) std::memmove(&s_.RecEntries[to], &s_.RecEntries[from], size_t(n) * sizeof(RecEntry));
        count += n;
    }
    s_.RecordCount = int(count);
    s_.RecEntries.resize(size_t(count) + 1);
}

} // namespace reading

std::array<char, kRecordSize> ResultRecordData::toBytes() const
{
    std::array<char, kRecordSize> b{};
    putDouble(b.data(), date);
    putDouble(b.data() + 8, clock);
    put16(b.data() + 16, pupil);
    put16(b.data() + 18, level);
    put32(b.data() + 20, time);
    putText5(b.data() + 24, schoolCode);
    putText5(b.data() + 29, blank);
    putText5(b.data() + 34, points);
    std::memset(b.data() + 39, 0, 5);
    std::memcpy(b.data() + 39, spare.constData(), size_t(std::min<qsizetype>(5, spare.size())));
    return b;
}

ResultRecordData ResultRecordData::fromBytes(const char* p)
{
    ResultRecordData r;
    r.date = getDouble(p);
    r.clock = getDouble(p + 8);
    r.pupil = get16(p + 16);
    r.level = get16(p + 18);
    r.time = get32(p + 20);
    r.schoolCode = QByteArray(p + 24, 5);
    r.blank = QByteArray(p + 29, 5);
    r.points = QByteArray(p + 34, 5);
    r.spare = QByteArray(p + 39, 5);
    return r;
}

ResultRecordData& ResultRecord()
{
    static ResultRecordData buffer;
    return buffer;
}

QString resultsFilePath() { return state().DataFolder.toText() + QStringLiteral("成績累積データ.dat"); }

bool OpenResults()
{
    RecordFile f;
    return f.open(toFsPath(resultsFilePath()), RecordFile::Mode::ReadWriteCreate);
}

ResultsError AppendResult(int32_t runTime)
{
    const QString path = resultsFilePath();
    ProgramState& s = state();
    RecordFile f;
    QString why;
    int number = 0;
    if (!lockForWriting(f, path, &why, &number)) return appendError(path, why, number);

    const QDateTime now = clock().now();
    ResultRecordData& r = ResultRecord();
    r.date = toOleDate(now.date());
    r.clock = now.time().msecsSinceStartOfDay() / 1000 / 86400.0;  // whole seconds
    r.pupil = int16_t(s.CurrentPupil);
    r.level = int16_t(s.SelectedLevel);
    r.time = runTime;
    r.schoolCode = text5(s.SchoolCode.toText());
    r.blank = QByteArray(5, ' ');
    r.points = QByteArray("0    ", 5);
    const std::array<char, kRecordSize> bytes = r.toBytes();
    // Whole records only: a torn partial record at the end is overwritten.
    if (!appendRecord(f, bytes.data(), kRecordSize)) {
        const QString why = QStringLiteral("書き込みできません：") + fromUtf8(f.errorText());
        const int number = f.errorNumber();
        // The lock goes first: every other PC's run waits for it while the message is up.
        f.close();
        return appendError(path, why, number);
    }
    f.unlock();
    f.close();
    return {};
}

ResultsError refreshResults()
{
    ProgramState& s = state();
    HeldSink sink(s, resultsFilePath());
    // On a failure a view goes on without records (the sink left none), and
    // the next reading reads the file whole.
    return readResults(sink);
}

std::span<const RecEntry> heldRecords()
{
    const ProgramState& s = state();
    return {s.RecEntries.data() + 1, size_t(s.RecordCount)};
}

ResultsError LoadResults()
{
    if (ResultsError e = refreshResults(); !e.ok()) return e;
    ProgramState& s = state();
    s.BestTime.fill(kNoTime);
    for (const std::vector<RecEntry>* entries : {&s.RecEntries, &s.RecBestOnly}) {
        const size_t from = entries == &s.RecEntries ? 1 : 0;
        const size_t to = entries == &s.RecEntries ? size_t(s.RecordCount) + 1 : entries->size();
        for (size_t k = from; k < to; ++k) {
            const RecEntry& e = (*entries)[k];
            int32_t& best = s.BestTime.row(e.level)[e.pupil];
            best = std::min(best, e.time);
        }
    }
    for (int level = 1; level <= kMaxLevel; ++level) {
        const int32_t* row = std::as_const(s.BestTime).row(level);
        s.TopTime[level] = *std::min_element(row + 1, row + 1001);
    }
    return {};
}

namespace {

QString rewriteProblem(const QString& path, const QString& why, int number)
{
    QString text = QStringLiteral("「%1」を書き換えることができません。").arg(QFileInfo(path).fileName()) +
                   QStringLiteral("\r\n") + displayPath(path) + QStringLiteral("\r\n") + why;
    if (number != 0) text += QStringLiteral("（エラー番号 %1）").arg(number);
    return text;
}

// The start of a description of a failure of a file beside the results file,
// naming it, with what the teacher can do about it.
QString faultAt(const std::filesystem::path& at)
{
    const QString path = fromFsPath(at);
    QString text = QStringLiteral("「%1」を使えません").arg(displayPath(path));
    if (QFileInfo(path).isDir()) text += QStringLiteral("（フォルダです。別の名前にするか、別の場所へ移してください）");
    return text + QStringLiteral("：");
}

// Puts these records in place of the locked file in one step (see
// replaceContents); the file is closed afterwards.
bool writeReplacement(RecordFile& f, const std::vector<ResultRecordData>& records, QString* why, int* number)
{
    std::vector<char> bytes;
    bytes.reserve(records.size() * size_t(kRecordSize));
    for (const ResultRecordData& r : records) {
        const auto b = r.toBytes();
        bytes.insert(bytes.end(), b.begin(), b.end());
    }
    FileFailure failure;
    if (replaceContents(f, bytes.data(), int64_t(bytes.size()), &failure)) return true;
    *why = fromUtf8(failure.text);
    if (!failure.at.empty() && failure.at != toFsPath(resultsFilePath())) *why = faultAt(failure.at) + *why;
    *number = failure.number;
    return false;
}

} // namespace

namespace {

using Edit = std::function<bool(std::vector<ResultRecordData>& records, QString* problem)>;

// Under the exclusive lock: the records of the file (when readCurrent; else
// none) go through edit, and what it leaves replaces the file in one step.
bool rewriteUnderLock(bool readCurrent, const Edit& edit, QString* problem)
{
    const QString path = resultsFilePath();
    RecordFile f;
    QString why;
    int number = 0;
    if (!lockForWriting(f, path, &why, &number)) {
        if (problem) *problem = rewriteProblem(path, why, number);
        return false;
    }
    std::vector<ResultRecordData> records;
    if (readCurrent) {
        // Every whole record as it is now, read under the lock (no append can slip in).
        const int64_t length = f.size();
        if (length < 0) {
            if (problem) *problem = rewriteProblem(path, fromUtf8(f.errorText()), f.errorNumber());
            return false;
        }
        const int64_t count = length / kRecordSize;
        std::vector<char> bytes(size_t(count * kRecordSize));
        int64_t got = 0;
        if (count > 0 && (!f.readAt(0, bytes.data(), count * kRecordSize, &got) || got != count * kRecordSize)) {
            if (problem)
                *problem = rewriteProblem(path, QStringLiteral("読み込みできません：") + fromUtf8(f.errorText()),
                                          f.errorNumber());
            return false;
        }
        records.reserve(size_t(count));
        for (int64_t i = 0; i < count; ++i)
            records.push_back(ResultRecordData::fromBytes(bytes.data() + i * kRecordSize));
    }
    QString editProblem;
    if (!edit(records, &editProblem)) {
        if (problem) *problem = editProblem;
        return false;
    }
    if (!writeReplacement(f, records, &why, &number)) {
        if (problem) *problem = rewriteProblem(path, why, number);
        return false;
    }
    return true;
}

} // namespace

bool replaceResults(const std::vector<ResultRecordData>& records, QString* problem)
{
    return rewriteUnderLock(
        false,
        [&](std::vector<ResultRecordData>& out, QString*) {
            out = records;
            return true;
        },
        problem);
}

bool updateResults(const Edit& edit, QString* problem) { return rewriteUnderLock(true, edit, problem); }

ResultsError readAllResults(std::vector<ResultRecordData>* out)
{
    AllRecordsSink sink(out);
    ResultsError e = readResults(sink);
    if (!e.ok()) out->clear();
    return e;
}

} // namespace karuvel
