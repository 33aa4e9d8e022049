#pragma once
// Inside the records module: reading the results file record by record, the
// rule of which records the loader keeps, and the little-endian fields. The
// loader and the recount share them, so that a recount reads the file once.
#include "platform/RecordFile.h"
#include "records/ResultsFile.h"
#include "state/ProgramState.h"

#include <QByteArray>
#include <QtGlobal>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <vector>
#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace karuvel::reading {

// The last day an OLE date can name (31 December 9999) plus one.
constexpr double kOleDateEnd = 2958466.0;

inline uint64_t get64(const char* p)
{
    uint64_t u;
    std::memcpy(&u, p, 8);
#if Q_BYTE_ORDER == Q_BIG_ENDIAN
    u = __builtin_bswap64(u);
#endif
    return u;
}
inline double getDouble(const char* p)
{
    const uint64_t u = get64(p);
    double v;
    std::memcpy(&v, &u, 8);
    return v;
}
inline int16_t get16(const char* p)
{
    return int16_t(uint16_t(uint8_t(p[0])) | uint16_t(uint16_t(uint8_t(p[1])) << 8));
}
inline int32_t get32(const char* p)
{
    return int32_t(uint32_t(uint8_t(p[0])) | (uint32_t(uint8_t(p[1])) << 8) | (uint32_t(uint8_t(p[2])) << 16) |
                   (uint32_t(uint8_t(p[3])) << 24));
}

// Asks for the bytes two pages after p, to be there when the reading gets
// there: the processor fetches ahead by itself only up to the end of a page.
// A fetch asked for never fails, also past the end of the file.
inline void fetchAhead(const char* p) { __builtin_prefetch(p + 8192, 0, 3); }

// Field offsets of a record.
constexpr int kPupilAt = 16;
constexpr int kLevelAt = 18;
constexpr int kTimeAt = 20;

// A record that may index the [level][pupil] tables: level 0..35, pupil 0..5000.
// Any other record is skipped and stays in the file for the records manager.
inline bool inTables(int level, int pupil)
{
    return unsigned(level) <= unsigned(kMaxLevel) && unsigned(pupil) <= unsigned(kMaxPupil);
}

// The file is read in chunks of this many records (the last one shorter).
constexpr int64_t kChunkRecords = 16384;

// Receives the records of one read of the file. begin() may come again after
// a failed attempt: it must start afresh. Each chunk comes whole through one
// lane: chunk() names its first record, then its records come in blocks. A
// sink that can take two lanes gets chunks through lanes 0 and 1 at the same
// time on two threads, each lane taking the next chunk as it is free (in no
// set order); otherwise every chunk comes through lane 0 in file order.
class RecordSink {
public:
    virtual ~RecordSink() = default;
    virtual bool twoLanes() const { return false; }
    virtual void begin(int64_t records) = 0;
    virtual void chunk(int lane, int64_t first)
    {
        (void)lane;
        (void)first;
    }
    virtual void block(int lane, const char* bytes, int64_t records) = 0;

    // Resuming where an earlier read ended. Once the file is open and
    // locked, the reading asks the sink what it holds of this file (by its
    // identity; nullptr when the system cannot tell it). A
    // sink that holds the file's first records answers how many and the bytes
    // of the last of them; the reading then reads from that record on, and
    // when the file still has it there passes only the records after it to
    // appended(). Otherwise (nothing held, the file shorter, that record
    // changed) the file is read whole through begin(), chunk() and block().
    struct Held {
        int64_t records = 0;
        const char* last = nullptr;
    };
    // Before held(): the file's whole records and the time it last changed
    // (0 when the system cannot tell it). A file that kept its length but
    // changed is read whole: an edit can keep the length and the last record.
    virtual void observed(int64_t records, int64_t modified)
    {
        (void)records;
        (void)modified;
    }
    // stamp() reads the rewrite stamp beside the file (empty when there is
    // none, nullopt when it cannot be read); only a sink that holds records asks.
    virtual Held held(const FileIdentity* identity, const std::function<std::optional<QByteArray>()>& stamp)
    {
        (void)identity;
        (void)stamp;
        return {};
    }
    virtual void appended(const char* bytes, int64_t records)
    {
        (void)bytes;
        (void)records;
    }
    // The reading ended well, whole or resumed: the file has `records` whole
    // records and `last` is the last of them (nullptr when there are none).
    virtual void end(int64_t records, const char* last)
    {
        (void)records;
        (void)last;
    }
};

// Reads every whole record through the sink with the retry rules of
// LoadResults and returns what the retries could not mend. The shared buffer
// ResultRecord() holds the last record after.
ResultsError readForLoad(RecordSink& sink);

// The bytes of the buffers a whole reading reads its blocks into (one per
// lane, allocated once and used by every reading).
int64_t blockBufferBytes();

// Writes a run of bytes to memory a cache line at a time. The bytes of a
// line gather in a small buffer; a line filled whole goes to memory in one
// piece past the cache (the copy is written once and read much later, and a
// line sent whole costs no read of its old contents); the partial lines at
// either end of the run go through the cache.
class LineWriter {
public:
    LineWriter() = default;
    explicit LineWriter(void* at)
    {
        const auto address = reinterpret_cast<uintptr_t>(at);
        line_ = reinterpret_cast<char*>(address & ~uintptr_t(63));
        from_ = next_ = int(address & 63);
    }
    // Adds n bytes (n at most 64).
    void put(const void* bytes, int n)
    {
        std::memcpy(buffer_ + next_, bytes, size_t(n));
        next_ += n;
        if (next_ >= 64) sendLine();
    }
    // Adds n bytes (any number): the lines they fill whole go to memory
    // straight from `bytes`.
    void putMany(const void* bytes, size_t n)
    {
        const char* from = static_cast<const char*>(bytes);
        if (next_ != 0) {
            // First the line begun in the buffer.
            const size_t take = std::min(n, size_t(64 - next_));
            std::memcpy(buffer_ + next_, from, take);
            next_ += int(take);
            if (next_ < 64) return;
            from += take;
            n -= take;
            sendLine();
        }
        // The line is empty here (next_ and from_ are 0).
        for (; n >= 64; n -= 64, from += 64) {
            sendWhole(from);
            line_ += 64;
        }
        std::memcpy(buffer_, from, n);
        next_ = int(n);
    }
    // What the run holds so far is in memory (the partial line through the
    // cache). Later puts go on where it ended.
    void flush()
    {
        if (next_ > from_) std::memcpy(line_ + from_, buffer_ + from_, size_t(next_ - from_));
        from_ = next_;
    }

private:
    // Sends 64 bytes from `bytes` to the line, whole, past the cache.
    void sendWhole(const char* bytes)
    {
#if defined(__SSE2__)
        const auto* src = reinterpret_cast<const __m128i*>(bytes);
        auto* dst = reinterpret_cast<__m128i*>(line_);
        _mm_stream_si128(dst, _mm_loadu_si128(src));
        _mm_stream_si128(dst + 1, _mm_loadu_si128(src + 1));
        _mm_stream_si128(dst + 2, _mm_loadu_si128(src + 2));
        _mm_stream_si128(dst + 3, _mm_loadu_si128(src + 3));
#else
        std::memcpy(line_, bytes, 64);
#endif
    }
    void sendLine()
    {
        if (from_ == 0) {
            sendWhole(buffer_);
        } else {
            std::memcpy(line_ + from_, buffer_ + from_, size_t(64 - from_));
        }
        line_ += 64;
        next_ -= 64;
        std::memcpy(buffer_, buffer_ + 64, 64);
        from_ = 0;
    }

    alignas(64) char buffer_[128];
    char* line_ = nullptr;
    int from_ = 0;
    int next_ = 0;
};

// The records the loader keeps as RecDate(k) .. RecTime(k), k = 1..RecordCount:
// a date from day 0 to 31 December 9999, a pupil other than 0, a level of 1
// or more (the caller has checked inTables).
class RecordKeeper {
public:
    explicit RecordKeeper(ProgramState& s) : s_(s) {}
    // Room for every record of the file (index 0 unused).
    void begin(int64_t records);

    // The rule: a record is kept when its date is a day from 0 to 31
    // December 9999, its pupil is not 0 and its level is 1 or more.
    static bool keeps(int level, int pupil, double date)
    {
        return date >= 0.0 && date < kOleDateEnd && pupil != 0 && level >= 1;
    }
    // The entry of the record at p, whose fields the caller has read.
    static void entryOf(RecEntry* e, const char* p, int level, int pupil, int32_t time, double date)
    {
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        // The entry is the record's first 24 bytes as they stand.
        (void)level;
        (void)pupil;
        (void)time;
        (void)date;
        std::memcpy(static_cast<void*>(e), p, sizeof(RecEntry));
#else
        e->date = date;
        e->clock = getDouble(p + 8);
        e->pupil = int16_t(pupil);
        e->level = int16_t(level);
        e->time = time;
#endif
    }

    // Keeps the records of one chunk: the chunk that starts at the file's
    // record first (0-based) writes from index first + 1 on.
    class Lane {
    public:
        Lane() = default;
        Lane(RecordKeeper& keeper, int64_t first);
        // Keeps the record at p when the rule says so; true when kept.
        bool keep(const char* p, int level, int pupil, int32_t time, double date)
        {
            if (!keeps(level, pupil, date)) return false;
            RecEntry e;
            entryOf(&e, p, level, pupil, time, date);
            ++k_;
            out_.put(&e, int(sizeof e));
            return true;
        }
        // Keeps n entries made by entryOf, in this order.
        void keepMany(const RecEntry* entries, int n)
        {
            k_ += n;
            out_.putMany(entries, size_t(n) * sizeof(RecEntry));
        }
        bool open() const { return open_; }
        int64_t first() const { return first_; }
        int64_t kept() const { return k_ - first_; }
        // After a block: the records kept so far are in the array, visible
        // to every reader.
        void flush()
        {
            out_.flush();
#if defined(__SSE2__)
            _mm_sfence();
#endif
        }

    private:
        bool open_ = false;
        int64_t first_ = 0;
        int64_t k_ = 0;
        LineWriter out_;
    };

    // The chunk of `lane` is done (its records are in the array and counted);
    // the lane is closed. A closed lane is left as it is.
    void close(Lane& lane);
    // Closes the chunk of `lane` and opens it on the chunk from `first` on.
    void next(Lane& lane, int64_t first)
    {
        close(lane);
        lane = Lane(*this, first);
    }

    // Joins the chunks in file order, closing the gaps left by the records
    // they did not keep; sets RecordCount and the final size of the array.
    // Every lane must be closed.
    void finish();

private:
    ProgramState& s_;
    // Per chunk: how many records it kept.
    std::vector<int64_t> keptIn_;
};

} // namespace karuvel::reading
