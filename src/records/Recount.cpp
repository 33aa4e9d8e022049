#include "records/Recount.h"

#include "frame/Calendar.h"
#include "platform/Platform.h"
#include "records/ResultsFile.h"
#include "state/ProgramState.h"

#include <cmath>

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

void RecountAll()
{
    ProgramState& s = state();
    s.TotalCount.fill(0);
    s.RecentCount.fill(0);
    s.TodayCount.fill(0);
    s.TodayPoints.fill(0);
    s.TotalTimeSum.fill(0);
    s.TotalPoints.fill(0);
    s.RecentPoints.fill(0);
    s.TodayTimeSum.fill(0);
    s.OverdoCount.fill(0);
    s.OverdoPoints.fill(0);
    // The averages keep their values where a count is 0.

    LoadResults();

    // Per level: the target, the multiplier and the first moments of the
    // "last N days" periods (a record counts when its date is later).
    const QDateTime now = clock().now();
    const double nowOle = toOleDateTime(now);
    const double today = toOleDate(now.date());
    struct LevelRule {
        long long target = 0;
        float multiplier = 0;
        double recentAfter = 0;
        double overdoAfter = 0;
    };
    LevelRule rule[kLevelSlots];
    for (int level = 1; level <= kMaxLevel; ++level) {
        rule[level].target = s.TargetTime[level];
        rule[level].multiplier = s.PointMultiplier[level];
        rule[level].recentAfter = nowOle - s.RecentDays[level].toNumber();
        rule[level].overdoAfter = nowOle - s.OverdoDays[level].toNumber();
    }

    const int n = s.RecordCount;
    const double* dates = s.RecDate.data();
    const int* levels = s.RecLevel.data();
    const int* pupils = s.RecPupil.data();
    const int32_t* times = s.RecTime.data();
    for (int k = 1; k <= n; ++k) {
        const int L = levels[k];
        if (L < 1 || L > kMaxLevel) continue;
        const int P = pupils[k];
        if (!validPupil(P)) continue;
        const long long t = times[k];
        const LevelRule& lr = rule[L];
        const bool counts = t < 6000;
        const long long figure = timeFigure(t);
        const long long p = multiplied(lr.multiplier, basePoints(t, figure, lr.target));
        const double date = dates[k];

        if (counts) s.TotalCount.row(L)[P] += 1;
        if (date > lr.recentAfter) {
            if (counts) s.RecentCount.row(L)[P] += 1;
            s.RecentPoints.row(L)[P] += p;
        }
        if (date > lr.overdoAfter) {
            if (counts) s.OverdoCount.row(L)[P] += 1;
            s.OverdoPoints.row(L)[P] += p;
        }
        s.TotalPoints.row(L)[P] += p;
        s.TotalTimeSum.row(L)[P] += figure;
        // Today's record: its date falls on today (the whole day is compared).
        if (std::floor(date) == today) {
            if (counts) s.TodayCount.row(L)[P] += 1.0f;
            s.TodayTimeSum.row(L)[P] += float(figure);
            s.TodayPoints.row(L)[P] += p;
        }
    }

    for (int level = 1; level <= kMaxLevel; ++level) {
        const float* todayCount = s.TodayCount.row(level);
        const float* todaySum = s.TodayTimeSum.row(level);
        float* todayAvg = s.TodayAvgTime.row(level);
        const int32_t* totalCount = s.TotalCount.row(level);
        const int64_t* totalSum = s.TotalTimeSum.row(level);
        float* totalAvg = s.TotalAvgTime.row(level);
        for (int pupil = 1; pupil <= kMaxPupil; ++pupil) {
            if (todayCount[pupil] >= 1)
                todayAvg[pupil] = float(std::floor(double(todaySum[pupil]) / double(todayCount[pupil]) + 0.5));
            if (totalCount[pupil] >= 1)
                totalAvg[pupil] = float(std::floor(double(totalSum[pupil]) / double(totalCount[pupil]) + 0.5));
        }
    }
}

} // namespace karuvel
