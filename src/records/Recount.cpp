#include "records/Recount.h"

#include "frame/Calendar.h"
#include "platform/Platform.h"
#include "records/ResultsFile.h"
#include "state/ProgramState.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace karuvel {

namespace {

// How many records ahead the recount fetches the sums it will add to.
constexpr int kAhead = 8;

// Times above this are time over (99999): no points.
constexpr long long kLastRealTime = 99997;

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

// The recount's work on the records as the loader keeps them.
class Recount : public ResultsLoadListener {
public:
    explicit Recount(ProgramState& s) : s_(s)
    {
        // Per level: the target, the multiplier and the first moments of the
        // "last N days" periods (a record counts when its date is later).
        const QDateTime now = clock().now();
        const double nowOle = toOleDateTime(now);
        today_ = toOleDate(now.date());
        for (int level = 1; level <= kMaxLevel; ++level) {
            Rule& r = rule_[level];
            r.target = s.TargetTime[level];
            r.multiplier = s.PointMultiplier[level];
            r.recentAfter = nowOle - s.RecentDays[level].toNumber();
            r.overdoAfter = nowOle - s.OverdoDays[level].toNumber();
        }
    }

    void restart() override
    {
        s_.TotalCount.fill(0);
        s_.RecentCount.fill(0);
        s_.TodayCount.fill(0);
        s_.TodayPoints.fill(0);
        s_.TotalTimeSum.fill(0);
        s_.TotalPoints.fill(0);
        s_.RecentPoints.fill(0);
        s_.TodayTimeSum.fill(0);
        s_.OverdoCount.fill(0);
        s_.OverdoPoints.fill(0);
        // The averages keep their values where a count is 0.
        sums().clear();
        slotOf().assign(size_t(kLevelSlots) * kPupilSlots, -1);
    }

    void kept(int first, int last) override
    {
        const double* dates = s_.RecDate.data();
        const int* levels = s_.RecLevel.data();
        const int* pupils = s_.RecPupil.data();
        const int32_t* times = s_.RecTime.data();
        int32_t* slotOfCell = slotOf().data();
        std::vector<Sums>& sums = Recount::sums();
        const double today = today_;
        const double tomorrow = today_ + 1;

        for (int k = first; k <= last; ++k) {
            const int L = levels[k];
            if (L < 1 || L > kMaxLevel) continue;
            const int P = pupils[k];
            if (!validPupil(P)) continue;
            const int32_t cell = L * kPupilSlots + P;
            int32_t slot = slotOfCell[cell];
            if (slot < 0) {
                slot = int32_t(sums.size());
                slotOfCell[cell] = slot;
                sums.emplace_back();
                    }
            // The cells of the records a little ahead are fetched meanwhile.
            if (k + kAhead <= last) {
                const int La = levels[k + kAhead], Pa = pupils[k + kAhead];
                if (unsigned(La) <= unsigned(kMaxLevel) && unsigned(Pa) <= unsigned(kMaxPupil)) {
                    const int32_t ahead = slotOfCell[La * kPupilSlots + Pa];
                    if (ahead >= 0) __builtin_prefetch(&sums[size_t(ahead)], 1);
                }
            }
            Sums& c = sums[size_t(slot)];
            const int32_t t = times[k];
            const int counts = t < 6000 ? 1 : 0;
            const long long figure = (t >= 0 && t < 1000) ? t : timeFigure(t);
            const long long p = points(L, t);
            const double date = dates[k];
            const Rule& r = rule_[L];

            c.totalCount += counts;
            if (date > r.recentAfter) {
                c.recentCount += counts;
                c.recentPoints += p;
            }
            if (date > r.overdoAfter) {
                c.overdoCount += counts;
                c.overdoPoints += p;
            }
            c.totalPoints += p;
            c.totalTimeSum += figure;
            // Today's record: its date falls on today (the whole day is compared).
            if (date >= today && date < tomorrow) {
                c.todayCount += float(counts);
                c.todayTimeSum += float(figure);
                c.todayPoints += p;
            }
        }
    }

    // Puts the sums into the tables and renews the averages where a count is 1 or more.
    void finish()
    {
        // Cell by cell in table order, so that the tables are written in sequence.
        const std::vector<Sums>& sums = Recount::sums();
        const int32_t* slotOfCell = slotOf().data();
        for (int L = 1; L <= kMaxLevel; ++L) {
            const int32_t* rowSlots = slotOfCell + size_t(L) * kPupilSlots;
            for (int P = 0; P <= kMaxPupil; ++P) {
                if (rowSlots[P] < 0) continue;
                const Sums& c = sums[size_t(rowSlots[P])];
                s_.TotalCount(L, P) = c.totalCount;
                s_.RecentCount(L, P) = c.recentCount;
                s_.OverdoCount(L, P) = c.overdoCount;
                s_.TodayCount(L, P) = c.todayCount;
                s_.TotalPoints(L, P) = c.totalPoints;
                s_.RecentPoints(L, P) = c.recentPoints;
                s_.OverdoPoints(L, P) = c.overdoPoints;
                s_.TodayPoints(L, P) = c.todayPoints;
                s_.TotalTimeSum(L, P) = c.totalTimeSum;
                s_.TodayTimeSum(L, P) = c.todayTimeSum;
                if (c.todayCount >= 1)
                    s_.TodayAvgTime(L, P) = float(std::floor(double(c.todayTimeSum) / double(c.todayCount) + 0.5));
                if (c.totalCount >= 1)
                    s_.TotalAvgTime(L, P) = float(std::floor(double(c.totalTimeSum) / double(c.totalCount) + 0.5));
            }
        }
    }

private:
    struct Rule {
        long long target = 0;
        float multiplier = 0;
        double recentAfter = 0;
        double overdoAfter = 0;
        bool tabled = false;
        std::vector<long long> table;  // points of the times 0..size-1
    };

    // A record's points: from a table of the level's usual times, filled on
    // the level's first record (the criteria may change between recounts).
    long long points(int level, int32_t t)
    {
        Rule& r = rule_[level];
        if (!r.tabled) {
            r.tabled = true;
            long long size = r.target > 0 ? std::min<long long>(10 * r.target, 6000) : 0;
            r.table.resize(size_t(size));
            for (long long x = 0; x < size; ++x) r.table[size_t(x)] = recordPoints(x, r.target, r.multiplier);
        }
        if (t >= 0 && size_t(t) < r.table.size()) return r.table[size_t(t)];
        return recordPoints(t, r.target, r.multiplier);
    }

    // The sums of one [level][pupil] cell, together in one cache line: the
    // records of a large file touch one line each instead of one per table.
    struct alignas(64) Sums {
        int64_t totalPoints = 0, recentPoints = 0, overdoPoints = 0, todayPoints = 0, totalTimeSum = 0;
        int32_t totalCount = 0, recentCount = 0, overdoCount = 0;
        float todayCount = 0, todayTimeSum = 0;
    };
    // Kept between recounts so that their memory is allocated once.
    static std::vector<Sums>& sums()
    {
        static std::vector<Sums> v;
        return v;
    }
    static std::vector<int32_t>& slotOf()
    {
        static std::vector<int32_t> v;
        return v;
    }

    ProgramState& s_;
    double today_ = 0;
    Rule rule_[kLevelSlots];
};

} // namespace

void RecountAll()
{
    ProgramState& s = state();
    Recount recount(s);
    recount.restart();
    LoadResults(&recount);
    recount.finish();
}

} // namespace karuvel
