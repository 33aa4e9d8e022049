// The recount: every [level][pupil] table of the state rebuilt from the
// results records held in memory (state().RecEntries, 1..RecordCount, and
// RecBestOnly), which the results reader keeps up to date with the file.
//
// Map of this file, for whoever makes it faster next:
// - Lanes. A Lane owns a full set of cells (Hot: count, best, points, time
//   sum; Period: the "last N days" figures; Cold: today's), 36 x 5001 of
//   each, made once and kept between recounts, taken zeroed from the system
//   (memory comes as a cell is first written; a level's hot cells are made
//   empty when the lane first meets the level, hotReady_). The entries are worked through
//   in chunks of kChunkEntries; a large array (kTwoLaneEntries or more) by two
//   lanes on two threads, each taking the next free chunk (Recount::run).
//   Lane 0 also takes the best-only records. A lane reads memory only: no
//   file is read while cells are written, so no failed read can stop a lane
//   half-way.
// - Cells. Sums are 32-bit while the lane's records cannot take them past 32
//   bits (narrow_); otherwise each add is checked and what overflows goes on
//   in wide_ (64-bit, per cell), joined to the tables at the end. Points come
//   from a per-level table of the usual times (table_, usual_), kept while
//   the level's target and multiplier stay the same.
// - Notes. A lane notes per level one past the highest pupil it touched
//   (top_) and which levels' rows of the periods and of today it touched
//   (periodRows_, coldRows_, written back at the end of each block). Only
//   these rows, and only up to reach(), are read and emptied at the end; a
//   lane whose pass did not end (an exception) empties all its cells on its
//   next start (finished_). The tables keep their own note per row
//   (LevelPupilTable::emptyFrom): from which pupil on a row still holds the
//   empty value, so that rows known to be empty are not read again; a row
//   never written (LevelPupilTable::untouched) holds zeros, empty for every
//   table but BestTime, and is neither read nor written while it stays so.
// - Write-back. Recount::finish is the only place that writes the state's
//   tables: per level, the cells of both lanes are added together, written
//   into the 13 tables, and emptied in the same pass (even levels on this
//   thread, odd ones on a second); then the wide sums, then TopTime. The
//   averages are renewed where a count is 1 or more and keep their value
//   where it is 0.
// - The check. tests/records/test_recount.cpp compares the recount of many
//   mixed records (odd times, levels and pupils out of range, periods, today,
//   one and two lanes) with a plain record-by-record
//   reading of the rules, and test_held_results.cpp compares every activation
//   of random sequences of appends, torn ends, rewrites and date changes with
//   a whole reload. Every speed-up must pass both.
#include "records/Recount.h"

#include "platform/Calendar.h"
#include "platform/Platform.h"
#include "records/ResultsFile.h"
#include "records/ResultsReading.h"
#include "state/ProgramState.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <system_error>
#include <thread>
#include <type_traits>
#include <unordered_map>
#include <cmath>
#include <cstring>
#include <vector>

namespace karuvel {

namespace {

// The graded base: t is compared with the target time, f (the time itself or
// its time figure) goes into the formula.
int basePoints(long long t, long long f, long long target)
{
    // A level without a target time earns nothing (and never divides by zero).
    if (target <= 0) return 0;
    int base;
    if (t <= target) {
        double r = double(target - f) / double(target);
        if (r > 1.0) r = 1.0;  // a negative time (a damaged record) earns no more than 0 seconds
        base = int(std::floor(r * r * r * 50.0 + 5.0));
    } else if (t < 2 * target) {
        base = 4;
    } else if (t < 10 * target) {
        base = 1;
    } else {
        base = 0;
    }
    if (t > kLastRealTime) base = 0;
    return base;
}

// The multiplier is a single-precision figure: the product is formed in
// single precision (0.7 x 10 gives 7, not 6.999...) and rounded down.
long long multiplied(float multiplier, int base)
{
    const float product = multiplier * float(base);
    if (!std::isfinite(product)) return 0;
    const double down = std::floor(double(product));
    if (down > 1e15) return (long long)1e15;
    if (down < -1e15) return -(long long)1e15;
    return (long long)down;
}

} // namespace

long long timeFigure(long long t)
{
    // The decimal text of t cut to its first three characters ("-" counts).
    if (t >= 0) {
        while (t >= 1000) t /= 10;
    } else {
        while (t <= -100) t /= 10;
    }
    return t;
}

int runBasePoints(long long time, long long targetTime) { return basePoints(time, time, targetTime); }

long long runPoints(long long time, long long targetTime, float multiplier)
{
    return multiplied(multiplier, runBasePoints(time, targetTime));
}

long long recordPoints(long long time, long long targetTime, float multiplier)
{
    return multiplied(multiplier, basePoints(time, timeFigure(time), targetTime));
}

namespace {

// The figures of one level and pupil that every record adds to, packed small
// so that the cells of a school's pupils stay in the processor's cache. A
// sum that would leave 32 bits goes on in a wide figure beside (see Lane).
struct alignas(16) Hot {
    int32_t count;
    int32_t best;
    int32_t points;
    int32_t timeSum;
};
static_assert(sizeof(Hot) == 16);

// The figures only the records of the "last N days" periods add to.
struct alignas(16) Period {
    int32_t recentCount;
    int32_t recentPoints;
    int32_t overdoCount;
    int32_t overdoPoints;
};
static_assert(sizeof(Period) == 16);

// The figures only today's records add to.
struct Cold {
    int64_t todayPoints;
    float todayCount;
    float todayTimeSum;
};

constexpr Hot kEmptyHot{0, kNoTime, 0, 0};
constexpr Period kEmptyPeriod{0, 0, 0, 0};
constexpr Cold kEmptyCold{0, 0.0f, 0.0f};

// Adds v to a 32-bit sum; false (nothing added) when the sum would leave 32 bits.
inline bool addNarrow(int32_t& sum, long long v)
{
    int32_t r;
    if (v != int32_t(v) || __builtin_add_overflow(sum, int32_t(v), &r)) return false;
    sum = r;
    return true;
}
constexpr size_t kCells = size_t(kLevelSlots) * kPupilSlots;
// How many records ahead the recount fetches the cell it will add to.
constexpr int64_t kAhead = 16;
static_assert((kAhead & (kAhead - 1)) == 0, "the ring of cells is indexed by a mask");
// How many records the recount takes between two moves of the entries it keeps.
constexpr int64_t kGroup = 64;
// The cell of a record outside the tables.
constexpr size_t kOutside = ~size_t(0);

inline size_t cellOf(int level, int pupil) { return size_t(level) * kPupilSlots + size_t(pupil); }

// The per-level rules of the recount: the target, the multiplier and the
// first moments of the "last N days" periods (a record counts when its date
// is later).
struct Rule {
    long long target = 0;
    float multiplier = 0;
    double recentAfter = 0;
    double overdoAfter = 0;
};

// Sets n cells of a level's row of a table (n up to a whole row) to one
// value. Cells that hold it already (most rows of levels without records,
// the cells of pupils beyond the school's numbers) are only read: reading
// them costs half of writing them.
template <class T>
void setCells(T* cells, int n, std::type_identity_t<T> value)
{
    // Compared bit for bit (a float -0 is written as 0).
    using Bits = std::conditional_t<sizeof(T) == 8, uint64_t, uint32_t>;
    static_assert(sizeof(Bits) == sizeof(T));
    Bits want, differ = 0;
    std::memcpy(&want, &value, sizeof want);
    for (int i = 0; i < n; ++i) {
        Bits have;
        std::memcpy(&have, cells + i, sizeof have);
        differ |= have ^ want;
    }
    if (differ != 0) std::fill_n(cells, n, value);
}

// A level's row of a table as the recount writes it: the cells, and what
// the table knew of the row before (from which pupil on it held the empty
// value), read before the row was taken for writing.
template <class T>
struct RowOut {
    RowOut(LevelPupilTable<T>& t, int level, std::type_identity_t<T> emptyValue)
        : table(t), L(level), empty(emptyValue), known(knownEmptyFrom(t, level, emptyValue)), cells(t.row(level))
    {
    }
    // From which pupil on the row holds the empty value: all of it when it
    // was never written and the empty value is zero.
    static int knownEmptyFrom(const LevelPupilTable<T>& t, int level, T emptyValue)
    {
        const T zero{};
        if (t.untouched(level) && std::memcmp(&emptyValue, &zero, sizeof(T)) == 0) return 0;
        return t.emptyFrom(level);
    }
    // Empties the row from pupil `from` on; the part still known to be empty
    // is not even read. The table then knows the row is empty from there.
    void emptyFrom(int from)
    {
        if (known > from) setCells(cells + from, known - from, empty);
        table.setEmptyFrom(L, from);
    }

    LevelPupilTable<T>& table;
    const int L;
    const T empty;
    const int known;
    T* const cells;
};

// The time figure, without a call for the usual times and the time over.
inline long long figureOf(int32_t t)
{
    if (uint32_t(t) < 1000) return t;
    if (t >= 10000 && t < 100000) return t / 100;
    return timeFigure(t);
}

// One lane of the recount: its cells (kept between recounts, allocated once,
// left empty by every finished pass) and the points of the usual times per level.
class Lane {
public:
    // The cells are taken zeroed from the system, which gives memory to them
    // as they are first written: the empty cells of the periods and of today
    // are zero bytes, and the hot cells of a level are made empty when a
    // record first comes to it, so that levels and pupils a school does not
    // use cost nothing.
    Lane() : hot_(zeroed<Hot>()), period_(zeroed<Period>()), cold_(zeroed<Cold>()) {}

    // Cells still holding figures start afresh: those of the rows noted, or
    // every cell when the last pass did not end. The lane takes at most
    // `count` records.
    void restart(const Rule* rules, int64_t count)
    {
        if (!finished_) {
            hotReady_ = 0;
            std::fill_n(period_.get(), kCells, kEmptyPeriod);
            std::fill_n(cold_.get(), kCells, kEmptyCold);
        } else {
            const int n = reach();
            for (int L = 0; L <= kMaxLevel; ++L) {
                if (usedHot(L)) std::fill_n(&hot_[cellOf(L, 0)], n, kEmptyHot);
                if (usedPeriod(L)) std::fill_n(&period_[cellOf(L, 0)], n, kEmptyPeriod);
                if (usedCold(L)) std::fill_n(&cold_[cellOf(L, 0)], n, kEmptyCold);
            }
        }
        forgetRows();
        wide_.clear();
        rules_ = rules;
        // A level's table made for the same target and multiplier serves again.
        for (int L = 0; L <= kMaxLevel; ++L) {
            const Rule& r = rules[L];
            if (tabled_[size_t(L)] && madeFor_[size_t(L)].target == r.target &&
                std::memcmp(&madeFor_[size_t(L)].multiplier, &r.multiplier, sizeof(float)) == 0)
                continue;
            tabled_[size_t(L)] = false;
            tableSize_[size_t(L)] = 0;
            usualSize_[size_t(L)] = 0;
        }
        // A record earns at most 55 times the multiplier (rounded down, so
        // one more when negative) and adds at most 999 to a time sum (at
        // least -99). When the lane's records cannot take any cell's sum past
        // 32 bits, the sums are added without checking each.
        double most = 999;
        for (int L = 1; L <= kMaxLevel; ++L) {
            const double m = std::fabs(double(rules[L].multiplier));
            if (!(m <= 1e7)) {  // inf: no bound (NaN earns nothing)
                if (!std::isnan(m)) most = HUGE_VAL;
                continue;
            }
            most = std::max(most, m * 55 + 1);
        }
        narrow_ = double(count) * most < double(INT32_MAX);
        // The first moment of the longest period of any level: older records
        // add to no period cell.
        periodAfter_ = HUGE_VAL;
        for (int L = 1; L <= kMaxLevel; ++L)
            periodAfter_ = std::min({periodAfter_, rules[L].recentAfter, rules[L].overdoAfter});
        // Until finish() has read and emptied the cells, a new start must
        // not trust the notes alone.
        finished_ = false;
    }

    // Adds n kept records (entries of RecEntries) to the cells.
    void block(const RecEntry* e, int64_t n, double today)
    {
        if (narrow_) {
            run<true>(e, n, today);
        } else {
            run<false>(e, n, today);
        }
    }

    // Records that take part in the best times only.
    void bestOnly(const RecEntry* e, int64_t n)
    {
        for (int64_t i = 0; i < n; ++i) {
            const int L = e[i].level, P = e[i].pupil;
            if (!reading::inTables(L, P)) continue;
            readyHotRow(L);
            Hot& h = hot_[cellOf(L, P)];
            top_[size_t(L)] = std::max(top_[size_t(L)], P + 1);
            h.best = std::min(h.best, e[i].time);
        }
    }

private:
    template <bool Narrow>
    void run(const RecEntry* e, int64_t n, double today)
    {
        Hot* hot = hot_.get();
        Period* period = period_.get();
        Cold* cold = cold_.get();
        uint64_t ready = hotReady_;
        const double tomorrow = today + 1, periodAfter = periodAfter_;
        // Which levels' rows of the periods and of today the block touches,
        // as bits (level 0..35); per level, one past the highest pupil touched.
        uint64_t usedPeriod = periodRows_, usedCold = coldRows_;
        int32_t* top = top_.data();
        const uint32_t* usualSize = usualSize_.data();
        const int32_t* const* usual = usual_.data();

        // Finds the cell of an entry and fetches it (its cells of the periods
        // and of today only when it falls in them); kOutside for an entry
        // outside the tables (none are kept, but the array is the state's).
        auto look = [&](const RecEntry& a) __attribute__((always_inline)) -> size_t {
            const int L = a.level, P = a.pupil;
            if (!reading::inTables(L, P)) return kOutside;
            if (!((ready >> L) & 1)) [[unlikely]] {
                readyHotRow(L);
                ready = hotReady_;
            }
            const size_t cell = cellOf(L, P);
            const double date = a.date;
            __builtin_prefetch(&hot[cell], 1);
            // Its cell of the periods, chosen without a branch (the dates of
            // a file need not come in order); else its hot cell again.
            const void* second = date > periodAfter ? static_cast<const void*>(&period[cell]) : &hot[cell];
            __builtin_prefetch(second, 1);
            if (date >= today) __builtin_prefetch(&cold[cell], 1);
            return cell;
        };
        // Adds a record to its cells.
        auto addTo = [&](Hot& h, size_t cell, int L, double date, int counts, long long figure,
                         long long points) __attribute__((always_inline)) {
            h.count += counts;
            if constexpr (Narrow) {
                h.points += int32_t(points);
                h.timeSum += int32_t(figure);
            } else {
                if (!addNarrow(h.points, points)) wide_[cell].points += points;
                if (!addNarrow(h.timeSum, figure)) wide_[cell].timeSum += figure;
            }
            if (date > periodAfter) {
                const Rule& r = rules_[L];
                Period& q = period[cell];
                usedPeriod |= uint64_t(1) << L;
                if (date > r.recentAfter) {
                    q.recentCount += counts;
                    if constexpr (Narrow) {
                        q.recentPoints += int32_t(points);
                    } else if (!addNarrow(q.recentPoints, points)) {
                        wide_[cell].recentPoints += points;
                    }
                }
                if (date > r.overdoAfter) {
                    q.overdoCount += counts;
                    if constexpr (Narrow) {
                        q.overdoPoints += int32_t(points);
                    } else if (!addNarrow(q.overdoPoints, points)) {
                        wide_[cell].overdoPoints += points;
                    }
                }
            }
            // Today's record: its date falls on today (the whole day is compared).
            if (date >= today && date < tomorrow) {
                Cold& c = cold[cell];
                usedCold |= uint64_t(1) << L;
                c.todayCount += float(counts);
                c.todayTimeSum += float(figure);
                c.todayPoints += points;
            }
        };
        auto add = [&](const RecEntry& r, size_t cell) __attribute__((always_inline)) {
            if (cell == kOutside) return;
            const int L = r.level, P = r.pupil;
            Hot& h = hot[cell];
            top[L] = std::max(top[L], P + 1);
            const int32_t t = r.time;
            h.best = std::min(h.best, t);  // without a branch: a new best comes at random
            if (uint32_t(t) < usualSize[L]) {
                // A usual time: counted, its own figure, points from the table.
                addTo(h, cell, L, r.date, 1, t, usual[L][t]);
            } else {
                addTo(h, cell, L, r.date, t < 6000 ? 1 : 0, figureOf(t), pointsOf(L, t));
            }
        };

        // The cells of the next kAhead entries, looked up as they were fetched.
        size_t ahead[kAhead];
        const int64_t lead = std::min<int64_t>(kAhead, n);
        for (int64_t i = 0; i < lead; ++i) ahead[i] = look(e[i]);
        int64_t i = 0;
        for (; i + kAhead < n; ++i) {
            reading::fetchAhead(reinterpret_cast<const char*>(e + i));
            const size_t cell = ahead[i & (kAhead - 1)];
            ahead[i & (kAhead - 1)] = look(e[i + kAhead]);
            add(e[i], cell);
        }
        for (; i < n; ++i) add(e[i], ahead[i & (kAhead - 1)]);

        periodRows_ = usedPeriod;
        coldRows_ = usedCold;
    }

public:
    bool usedHot(int L) const { return top_[size_t(L)] > 0; }
    bool usedPeriod(int L) const { return (periodRows_ >> L) & 1; }
    bool usedCold(int L) const { return (coldRows_ >> L) & 1; }
    // A level's row of cells for the tables (the caller empties the cells as
    // it reads them, then the lane forgets its rows).
    Hot* hotRow(int L) { return &hot_[cellOf(L, 0)]; }
    Period* periodRow(int L) { return &period_[cellOf(L, 0)]; }
    Cold* coldRow(int L) { return &cold_[cellOf(L, 0)]; }
    // One past the highest pupil whose cells the lane touched (of any level).
    int reach() const { return *std::max_element(top_.begin(), top_.end()); }
    // Every cell the notes name has been read and emptied.
    void emptied()
    {
        forgetRows();
        finished_ = true;
    }
    // The sums that went beyond 32 bits, by cell.
    struct Wide {
        int64_t points = 0;
        int64_t timeSum = 0;
        int64_t recentPoints = 0;
        int64_t overdoPoints = 0;
    };
    std::unordered_map<size_t, Wide>& wide() { return wide_; }

private:
    void forgetRows()
    {
        top_.fill(0);
        periodRows_ = 0;
        coldRows_ = 0;
    }
    // A record's points: from a table of the level's usual times.
    long long pointsOf(int level, int32_t t)
    {
        if (uint32_t(t) < tableSize_[size_t(level)]) return table_[size_t(level)][size_t(t)];
        return pointsOutsideTable(level, t);
    }
    long long pointsOutsideTable(int level, int32_t t)
    {
        const Rule& r = rules_[level];
        // Ten times the target or more, or time over: nothing, whatever the multiplier.
        if (r.target <= 0 || t >= 10 * r.target || t > kLastRealTime) return 0;
        if (!tabled_[size_t(level)]) {
            tabled_[size_t(level)] = true;
            madeFor_[size_t(level)] = r;
            const long long size = r.target > 0 ? std::min<long long>(10 * r.target, 6000) : 0;
            std::vector<int32_t>& table = table_[size_t(level)];
            table.resize(size_t(size));
            bool fits = true;
            for (long long x = 0; x < size && fits; ++x) {
                const long long points = recordPoints(x, r.target, r.multiplier);
                fits = points == int32_t(points);
                table[size_t(x)] = int32_t(points);
            }
            // A multiplier so large that a run's points leave 32 bits: no table.
            tableSize_[size_t(level)] = fits ? uint32_t(size) : 0;
            usual_[size_t(level)] = table.data();
            usualSize_[size_t(level)] = std::min(tableSize_[size_t(level)], 1000u);
            if (uint32_t(t) < tableSize_[size_t(level)]) return table[size_t(t)];
        }
        return recordPoints(t, r.target, r.multiplier);
    }

    // Makes the hot cells of a level empty when the lane first uses them.
    void readyHotRow(int L)
    {
        if ((hotReady_ >> L) & 1) return;
        std::fill_n(&hot_[cellOf(L, 0)], kPupilSlots, kEmptyHot);
        hotReady_ |= uint64_t(1) << L;
    }

    struct Free {
        void operator()(void* p) const { std::free(p); }
    };
    template <class T>
    using Cells = std::unique_ptr<T[], Free>;
    template <class T>
    static Cells<T> zeroed()
    {
        static_assert(std::is_trivially_copyable_v<T>);
        void* p = std::calloc(kCells, sizeof(T));
        if (!p) throw std::bad_alloc();
        return Cells<T>(static_cast<T*>(p));
    }

    Cells<Hot> hot_;
    Cells<Period> period_;
    Cells<Cold> cold_;
    // The levels whose hot cells have been made empty (one bit per level).
    uint64_t hotReady_ = 0;
    // Per level: one past the highest pupil whose cell the lane touched
    // (0: none; a record's cells of the periods and of today lie within).
    std::array<int32_t, kLevelSlots> top_{};
    uint64_t periodRows_ = 0;
    uint64_t coldRows_ = 0;
    std::unordered_map<size_t, Wide> wide_;
    const Rule* rules_ = nullptr;
    // Per level: the points of the times 0..tableSize-1, filled on the
    // level's first record and kept while its target time and multiplier
    // stay the same (the criteria may change between recounts).
    std::array<std::vector<int32_t>, kLevelSlots> table_;
    std::array<uint32_t, kLevelSlots> tableSize_{};
    // Per level: the usual times, below the table's size and below 1000 (each
    // counted, its own time figure), and where their points are.
    std::array<uint32_t, kLevelSlots> usualSize_{};
    std::array<const int32_t*, kLevelSlots> usual_{};
    std::array<bool, kLevelSlots> tabled_{};
    std::array<Rule, kLevelSlots> madeFor_{};
    bool narrow_ = false;
    double periodAfter_ = 0;
    // False from a start until finish() has emptied the cells noted.
    bool finished_ = true;
};

// The lanes, made on first use (the second only for a large array).
Lane& lane(int k)
{
    if (k == 0) {
        static Lane first;
        return first;
    }
    static Lane second;
    return second;
}

// Whether the processor has two cores or more, asked once (the system
// answers by reading a file each time).
bool twoCores()
{
    static const bool two = std::thread::hardware_concurrency() >= 2;
    return two;
}

// Entries are taken by the lanes in chunks of this many.
constexpr int64_t kChunkEntries = 16384;
// An array this large is worked through by two lanes at the same time when
// the processor has two cores.
constexpr int64_t kTwoLaneEntries = 100000;

// The recount of the records held in memory; the chunks of a large array
// are worked through by two lanes at once.
class Recount {
public:
    explicit Recount(ProgramState& s) : s_(s)
    {
        const QDateTime now = clock().now();
        const double nowOle = toOleDateTime(now);
        today_ = toOleDate(now.date());
        for (int level = 1; level <= kMaxLevel; ++level) {
            Rule& r = rules_[level];
            r.target = s.TargetTime[level];
            r.multiplier = s.PointMultiplier[level];
            r.recentAfter = nowOle - s.RecentDays[level].toNumber();
            r.overdoAfter = nowOle - s.OverdoDays[level].toNumber();
        }
    }

    // Adds every record held to the cells of the lanes.
    void run()
    {
        const RecEntry* entries = s_.RecEntries.data() + 1;
        const int64_t count = std::clamp<int64_t>(s_.RecordCount, 0, int64_t(s_.RecEntries.size()) - 1);
        std::atomic<int64_t> next{0};
        auto work = [&](int k) {
            Lane& l = lane(k);
            l.restart(rules_, count);
            started_[size_t(k)] = true;
            if (k == 0) l.bestOnly(s_.RecBestOnly.data(), int64_t(s_.RecBestOnly.size()));
            for (;;) {
                const int64_t from = next.fetch_add(1, std::memory_order_relaxed) * kChunkEntries;
                if (from >= count) break;
                l.block(entries + from, std::min(kChunkEntries, count - from), today_);
            }
        };
        started_ = {false, false};
        std::thread second;
        if (count >= kTwoLaneEntries && twoCores()) {
            try {
                second = std::thread(work, 1);
            } catch (const std::system_error&) {
                // No thread to be had: the first lane takes every chunk.
            }
        }
        work(0);
        if (second.joinable()) second.join();
    }

    // Writes the cells into the tables (the averages renewed where a count
    // is 1 or more, kept where it is 0) and TopTime, emptying the cells.
    void finish()
    {
        Lane* a = started_[0] ? &lane(0) : nullptr;
        Lane* b = started_[1] ? &lane(1) : nullptr;
        if (!a) std::swap(a, b);
        // Beyond the highest pupil either lane touched, every cell is empty.
        const int n = std::max(a ? a->reach() : 0, b ? b->reach() : 0);
        // The rows of the odd levels are written on a second core meanwhile.
        auto rows = [&](int first) {
            for (int L = first; L <= kMaxLevel; L += 2) {
                Hot* ha = a && a->usedHot(L) ? a->hotRow(L) : nullptr;
                Hot* hb = b && b->usedHot(L) ? b->hotRow(L) : nullptr;
                Period* pa = a && a->usedPeriod(L) ? a->periodRow(L) : nullptr;
                Period* pb = b && b->usedPeriod(L) ? b->periodRow(L) : nullptr;
                Cold* ca = a && a->usedCold(L) ? a->coldRow(L) : nullptr;
                Cold* cb = b && b->usedCold(L) ? b->coldRow(L) : nullptr;
                writeHot(L, ha, hb, n);
                writePeriods(L, pa, pb, n);
                writeCold(L, ca, cb, n);
            }
        };
        std::thread odd;
        if (twoCores()) {
            try {
                odd = std::thread(rows, 1);
            } catch (const std::system_error&) {
                // No thread to be had: this one writes them after the even ones.
            }
        }
        rows(0);
        if (odd.joinable()) {
            odd.join();
        } else {
            rows(1);
        }
        // Every cell read is empty again.
        for (Lane* lane : {a, b})
            if (lane) lane->emptied();
        // The sums that went beyond 32 bits join their cells.
        for (Lane* lane : {a, b}) {
            if (!lane) continue;
            for (const auto& [cell, w] : lane->wide()) {
                const int L = int(cell / kPupilSlots), P = int(cell % kPupilSlots);
                s_.TotalPoints(L, P) += w.points;
                s_.TotalTimeSum(L, P) += w.timeSum;
                s_.RecentPoints(L, P) += w.recentPoints;
                s_.OverdoPoints(L, P) += w.overdoPoints;
                if (L >= 1 && s_.TotalCount(L, P) >= 1)
                    s_.TotalAvgTime(L, P) =
                        float(std::floor(double(s_.TotalTimeSum(L, P)) / double(s_.TotalCount(L, P)) + 0.5));
            }
            lane->wide().clear();
        }
        // The best time of each level among pupils 1..1000.
        for (int level = 1; level <= kMaxLevel; ++level) {
            const int32_t* row = std::as_const(s_.BestTime).row(level);
            s_.TopTime[level] = *std::min_element(row + 1, row + 1001);
        }
    }

private:
    // Writes a level's counts, sums and best times (the second lane's joined
    // to the first's) into the tables and empties the cells read. The
    // average is renewed where the count is 1 or more and kept where it is 0.
    void writeHot(int L, Hot* x, Hot* y, int n)
    {
        RowOut totalCount(s_.TotalCount, L, 0);
        RowOut totalPoints(s_.TotalPoints, L, 0);
        RowOut totalTimeSum(s_.TotalTimeSum, L, 0);
        RowOut best(s_.BestTime, L, kNoTime);
        if (!x && !y) {
            totalCount.emptyFrom(0);
            totalPoints.emptyFrom(0);
            totalTimeSum.emptyFrom(0);
            best.emptyFrom(0);
            return;
        }
        if (!x) std::swap(x, y);
        float* totalAvg = s_.TotalAvgTime.row(L);
        for (int P = 0; P < n; ++P) {
            const Hot h = x[P];
            int64_t count = h.count, points = h.points, timeSum = h.timeSum;
            int32_t b = h.best;
            x[P] = kEmptyHot;
            if (y) {
                const Hot g = y[P];
                count += g.count;
                points += g.points;
                timeSum += g.timeSum;
                b = std::min(b, g.best);
                y[P] = kEmptyHot;
            }
            totalCount.cells[P] = int32_t(count);
            totalPoints.cells[P] = points;
            totalTimeSum.cells[P] = timeSum;
            best.cells[P] = b;
            if (L >= 1 && count >= 1) totalAvg[P] = float(std::floor(double(timeSum) / double(count) + 0.5));
        }
        totalCount.emptyFrom(n);
        totalPoints.emptyFrom(n);
        totalTimeSum.emptyFrom(n);
        best.emptyFrom(n);
    }

    // The same for the figures of the periods.
    void writePeriods(int L, Period* x, Period* y, int n)
    {
        RowOut recentCount(s_.RecentCount, L, 0);
        RowOut recentPoints(s_.RecentPoints, L, 0);
        RowOut overdoCount(s_.OverdoCount, L, 0);
        RowOut overdoPoints(s_.OverdoPoints, L, 0);
        if (!x && !y) {
            recentCount.emptyFrom(0);
            recentPoints.emptyFrom(0);
            overdoCount.emptyFrom(0);
            overdoPoints.emptyFrom(0);
            return;
        }
        if (!x) std::swap(x, y);
        for (int P = 0; P < n; ++P) {
            const Period q = x[P];
            int64_t recent = q.recentCount, recentP = q.recentPoints, overdo = q.overdoCount, overdoP = q.overdoPoints;
            x[P] = kEmptyPeriod;
            if (y) {
                const Period g = y[P];
                recent += g.recentCount;
                recentP += g.recentPoints;
                overdo += g.overdoCount;
                overdoP += g.overdoPoints;
                y[P] = kEmptyPeriod;
            }
            recentCount.cells[P] = int32_t(recent);
            recentPoints.cells[P] = recentP;
            overdoCount.cells[P] = int32_t(overdo);
            overdoPoints.cells[P] = overdoP;
        }
        recentCount.emptyFrom(n);
        recentPoints.emptyFrom(n);
        overdoCount.emptyFrom(n);
        overdoPoints.emptyFrom(n);
    }

    // The same for today's figures.
    void writeCold(int L, Cold* x, Cold* y, int n)
    {
        RowOut todayCount(s_.TodayCount, L, 0.0f);
        RowOut todayTimeSum(s_.TodayTimeSum, L, 0.0f);
        RowOut todayPoints(s_.TodayPoints, L, 0);
        if (!x && !y) {
            todayCount.emptyFrom(0);
            todayTimeSum.emptyFrom(0);
            todayPoints.emptyFrom(0);
            return;
        }
        if (!x) std::swap(x, y);
        float* todayAvg = s_.TodayAvgTime.row(L);
        for (int P = 0; P < n; ++P) {
            Cold c = x[P];
            x[P] = kEmptyCold;
            if (y) {
                const Cold& d = y[P];
                c.todayPoints += d.todayPoints;
                c.todayCount += d.todayCount;
                c.todayTimeSum += d.todayTimeSum;
                y[P] = kEmptyCold;
            }
            todayCount.cells[P] = c.todayCount;
            todayTimeSum.cells[P] = c.todayTimeSum;
            todayPoints.cells[P] = c.todayPoints;
            if (L >= 1 && c.todayCount >= 1)
                todayAvg[P] = float(std::floor(double(c.todayTimeSum) / double(c.todayCount) + 0.5));
        }
        todayCount.emptyFrom(n);
        todayTimeSum.emptyFrom(n);
        todayPoints.emptyFrom(n);
    }

    ProgramState& s_;
    Rule rules_[kLevelSlots];
    double today_ = 0;
    // Which lanes started in this recount.
    std::array<bool, 2> started_{};
};

} // namespace

ResultsError RecountAll()
{
    // The records held are brought up to date first (only what was appended
    // is read); a failure there is returned before any table is touched.
    if (ResultsError e = refreshResults(); !e.ok()) return e;
    recountHeld();
    return {};
}

void recountHeld()
{
    Recount recount(state());
    recount.run();
    recount.finish();
}

} // namespace karuvel
