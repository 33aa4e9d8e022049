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
    }

    void kept(int first, int last) override
    {
        const double* dates = s_.RecDate.data();
        const int* levels = s_.RecLevel.data();
        const int* pupils = s_.RecPupil.data();
        const int32_t* times = s_.RecTime.data();
        // The sums go straight into the tables, which start from 0.
        int32_t* totalCount = s_.TotalCount.row(0);
        int64_t* totalPoints = s_.TotalPoints.row(0);
        int64_t* totalTimeSum = s_.TotalTimeSum.row(0);
        const double today = today_;
        const double tomorrow = today_ + 1;

        for (int k = first; k <= last; ++k) {
            const int L = levels[k];
            if (L < 1 || L > kMaxLevel) continue;
            const int P = pupils[k];
            if (!validPupil(P)) continue;
            const size_t cell = size_t(L) * kPupilSlots + size_t(P);
            const int32_t t = times[k];
            const int counts = t < 6000 ? 1 : 0;
            const long long figure = (t >= 0 && t < 1000) ? t : timeFigure(t);
            const long long p = points(L, t);
            const double date = dates[k];
            const Rule& r = rule_[L];

            totalCount[cell] += counts;
            totalPoints[cell] += p;
            totalTimeSum[cell] += figure;
            // Most records are older than both periods and than today.
            if (date > r.recentAfter || date > r.overdoAfter || date >= today) {
                if (date > r.recentAfter) {
                    s_.RecentCount(L, P) += counts;
                    s_.RecentPoints(L, P) += p;
                }
                if (date > r.overdoAfter) {
                    s_.OverdoCount(L, P) += counts;
                    s_.OverdoPoints(L, P) += p;
                }
                // Today's record: its date falls on today (the whole day is compared).
                if (date >= today && date < tomorrow) {
                    s_.TodayCount(L, P) += float(counts);
                    s_.TodayTimeSum(L, P) += float(figure);
                    s_.TodayPoints(L, P) += p;
                }
            }
        }
    }

    // Renews the averages where a count is 1 or more.
    void finish()
    {
        for (int L = 1; L <= kMaxLevel; ++L) {
            const int32_t* totalCount = s_.TotalCount.row(L);
            const float* todayCount = s_.TodayCount.row(L);
            for (int P = 0; P <= kMaxPupil; ++P) {
                if (todayCount[P] >= 1)
                    s_.TodayAvgTime(L, P) =
                        float(std::floor(double(s_.TodayTimeSum(L, P)) / double(todayCount[P]) + 0.5));
                if (totalCount[P] >= 1)
                    s_.TotalAvgTime(L, P) =
                        float(std::floor(double(s_.TotalTimeSum(L, P)) / double(totalCount[P]) + 0.5));
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

    ProgramState& s_;
    double today_ = 0;
    Rule rule_[kLevelSlots];
};

} // namespace

void RecountAll()
{
    ProgramState& s = state();
    Recount recount(s);
    // The loader starts the tables afresh (restart) before it hands over records.
    LoadResults(&recount);
    recount.finish();
}

} // namespace karuvel
