#pragma once
// Each pupil's history at each level over a period, from the stored runs:
// the runs, points, best time and time-overs within the period, whether the
// level was ever cleared (the clear rule met over some stretch of its judging
// days) and whether within the period, when the pupil last ran, and whether
// the last runs stopped improving. The class overview and the stuck list
// are read from it; it needs no screen.
#include "dashboard/Periods.h"
#include "state/ProgramState.h"

#include <QDate>
#include <span>
#include <unordered_map>
#include <vector>

namespace karuvel {

// How many of a level's last runs are compared with as many runs just
// before them to tell whether the pupil still gets faster.
constexpr int kStalledRuns = 5;

struct LevelHistory {
    bool ran = false;             // any run up to the period's end
    int runs = 0;                 // runs within the period (as the recount counts them)
    long long points = 0;         // their points
    int best = -1;                // the best time within the period, -1 none
    int timeOvers = 0;            // time-overs within the period
    bool clearedEver = false;     // cleared on some day up to the period's end
    bool clearedInPeriod = false; // cleared on some day within the period
    bool stalled = false;         // never cleared, run within the period, and its last runs no faster (stalledRuns)
};

class ClassProgress {
public:
    // The runs of `records` up to the period's end (or `today` when it is
    // open), judged by the criteria in `s`.
    ClassProgress(const ProgramState& s, std::span<const RecEntry> records, const Period& period, const QDate& today);

    const LevelHistory& at(int pupil, int level) const;
    // The OLE day of the pupil's last run (any level) up to the period's end; -1 never.
    double lastRunDay(int pupil) const;
    const Period& period() const { return period_; }

private:
    Period period_;
    std::unordered_map<int, LevelHistory> cells_;  // pupil * kLevelSlots + level
    std::unordered_map<int, double> lastRun_;
};

// True when the runs (days and times, oldest first) meet the clear rule on
// some day: within `recentDays` days ending that day, at least clearCount
// runs and clearPoints points. The first day it was met, or -1.
struct DayRun {
    double day = 0;
    int time = 0;
};
double firstClearDay(const std::vector<DayRun>& runs, long long target, float multiplier, long long clearPoints,
                     long long clearCount, double recentDays, double from = -1e300);

// Of the timed runs (oldest first), the last kStalledRuns are no faster than
// the kStalledRuns just before them: neither their best nor their middle time
// is lower. Fewer than twice kStalledRuns runs tell nothing (false).
bool stalledRuns(const std::vector<int>& times);

} // namespace karuvel
