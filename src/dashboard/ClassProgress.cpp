#include "dashboard/ClassProgress.h"

#include "dashboard/PupilSummary.h"
#include "platform/Calendar.h"
#include "records/Recount.h"

#include <algorithm>
#include <cmath>

namespace karuvel {

namespace {
constexpr int kCountedBelow = 6000;  // a run of 6000 s or more earns points but is not counted
const LevelHistory kNone;
} // namespace

double firstClearDay(const std::vector<DayRun>& runs, long long target, float multiplier, long long clearPoints,
                     long long clearCount, double recentDays, double from)
{
    // A window of the judging days ending on each day a run was made: the
    // recount counts a run when its day lies after now - recentDays.
    size_t start = 0;
    long long points = 0, count = 0;
    for (size_t end = 0; end < runs.size(); ++end) {
        points += recordPoints(runs[end].time, target, multiplier);
        if (runs[end].time < kCountedBelow) ++count;
        // The last run of its day closes the day's window.
        if (end + 1 < runs.size() && runs[end + 1].day == runs[end].day) continue;
        const double day = runs[end].day;
        // Within the judging days ending on `day`: the days after day - recentDays.
        while (start <= end && !(runs[start].day > day - recentDays)) {
            points -= recordPoints(runs[start].time, target, multiplier);
            if (runs[start].time < kCountedBelow) --count;
            ++start;
        }
        if (day >= from && points >= clearPoints && count >= clearCount) return day;
    }
    return -1;
}

bool stalledRuns(const std::vector<int>& times)
{
    if (times.size() < size_t(2 * kStalledRuns)) return false;
    const auto lastStart = times.end() - kStalledRuns;
    std::vector<int> before(lastStart - kStalledRuns, lastStart);
    std::vector<int> last(lastStart, times.end());
    // The middle time of each five: one lucky or slow run does not decide.
    auto middle = [](std::vector<int>& v) {
        std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
        return v[v.size() / 2];
    };
    const int bestBefore = *std::min_element(before.begin(), before.end());
    const int bestLast = *std::min_element(last.begin(), last.end());
    return bestLast >= bestBefore && middle(last) >= middle(before);
}

ClassProgress::ClassProgress(const ProgramState& s, std::span<const RecEntry> records, const Period& period,
                             const QDate& today)
    : period_(period)
{
    const double first = period.from.isValid() ? toOleDate(period.from) : -1e300;
    const double last = toOleDate(period.to.isValid() ? std::min(period.to, today) : today);
    struct Runs {
        std::vector<DayRun> all;  // up to the period's end
    };
    std::unordered_map<int, Runs> byCell;
    for (const RecEntry& r : records) {
        if (!validPupil(r.pupil) || r.pupil < 1 || r.level < 1 || r.level > kMaxLevel || !std::isfinite(r.date)) continue;
        const double day = std::floor(r.date);
        if (day > last) continue;
        byCell[r.pupil * kLevelSlots + r.level].all.push_back({day, r.time});
        double& l = lastRun_[r.pupil];
        l = std::max(l, day);
    }
    for (auto& [key, runs] : byCell) {
        const int level = key % kLevelSlots;
        std::stable_sort(runs.all.begin(), runs.all.end(), [](const DayRun& a, const DayRun& b) { return a.day < b.day; });
        LevelHistory h;
        h.ran = true;
        std::vector<int> timed;
        double lastTimedDay = -1e300;
        for (const DayRun& r : runs.all) {
            if (r.time < kSummaryTimeLimit) {
                timed.push_back(r.time);
                lastTimedDay = r.day;
            }
            if (r.day < first) continue;
            if (r.time < kCountedBelow) ++h.runs;
            h.points += recordPoints(r.time, s.TargetTime[level], s.PointMultiplier[level]);
            if (r.time >= kTimeOver - 1) ++h.timeOvers;
            else if (r.time < kSummaryTimeLimit && (h.best < 0 || r.time < h.best)) h.best = r.time;
        }
        const double recentDays = s.RecentDays[level].toNumber();
        const double cleared = firstClearDay(runs.all, s.TargetTime[level], s.PointMultiplier[level], s.ClearPoints[level],
                                             s.ClearCount[level], recentDays);
        h.clearedEver = cleared >= 0;
        h.clearedInPeriod = h.clearedEver && firstClearDay(runs.all, s.TargetTime[level], s.PointMultiplier[level],
                                                           s.ClearPoints[level], s.ClearCount[level], recentDays, first) >= 0;
        // Stalled: still being practised within the period, never cleared,
        // and the last runs no better than those just before them. A level
        // left long ago, or a lucky run years back, does not make it stalled.
        h.stalled = !h.clearedEver && lastTimedDay >= first && stalledRuns(timed);
        cells_[key] = h;
    }
}

const LevelHistory& ClassProgress::at(int pupil, int level) const
{
    const auto it = cells_.find(pupil * kLevelSlots + level);
    return it == cells_.end() ? kNone : it->second;
}

double ClassProgress::lastRunDay(int pupil) const
{
    const auto it = lastRun_.find(pupil);
    return it == lastRun_.end() ? -1 : it->second;
}

} // namespace karuvel
