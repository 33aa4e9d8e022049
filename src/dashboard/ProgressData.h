#pragma once
// The figures behind the progress charts: one pupil's runs of a level over
// time with the best time so far as steps, the level's reference lines, and
// the points the pupil earned week by week. Plain functions over the records
// of the results file; none needs a screen.
#include "records/ResultsFile.h"
#include "state/ProgramState.h"

#include <QDate>
#include <QString>
#include <vector>

namespace karuvel {

// One run on the chart. `when` is its OLE date with the time of day, so that
// runs of one day stand apart in the order they were made.
struct ChartRun {
    double when = 0;
    int time = 0;
    bool noTime = false;  // time over, or too slow to count as a time on the sheet
};

// The best time so far: from `when` on (until the next step) it is `best`.
struct BestStep {
    double when = 0;
    int best = 0;
};

struct LevelProgress {
    int level = 0;
    QString name;                    // the level's name
    std::vector<ChartRun> runs;      // oldest first
    std::vector<BestStep> bestSteps; // one per new best, oldest first
    int target = -1;                 // the level's target time, -1 none
    int schoolAverage = -1;          // the compared group's average time, -1 none
    QString averageName = QStringLiteral("塾平均");  // how that average is named ("中３平均")
};

struct WeekPoints {
    QDate monday;          // the week runs from this Monday to the Sunday after (a month's bar: its first day)
    long long points = 0;  // points of the pupil's runs in that week (or month)
};

// A run's time is drawn as a time only when it is one the summary sheet
// counts (below kSummaryTimeLimit seconds); time over (99999) and the rest are
// marked apart.
bool chartTimeCounts(int time);

// Runs that crowd a chart, summed up per bucket of `bucketDays` days (1: a
// day, 7: a week from Monday): the bucket's best time as one run in the
// middle of the bucket, and one time-over mark where the bucket holds runs
// without a time. Oldest first.
std::vector<ChartRun> bucketRuns(const std::vector<ChartRun>& runs, int bucketDays);

// The Monday of the week that holds the date.
QDate weekStart(const QDate& date);

// The pupil's runs of a level made after `since` (an OLE date-time): each
// run's time, the best-time steps, the level's target time and the school's
// average (passed in, as the summary sheet worked it out). Damaged records
// (a date no calendar can name) are left out; the order is that of the runs'
// dates and times, whatever the file's order.
LevelProgress levelProgress(const std::vector<ResultRecordData>& records, const ProgramState& s, int pupil, int level,
                            double since, int schoolAverage);

// The points the pupil earned on the given levels in each week from the week
// of `from` to the week of `to`, weeks without runs included (points 0). A
// run's points are those the recount gives it, so that the weeks add up to
// the points on the sheet.
std::vector<WeekPoints> weeklyPoints(const std::vector<ResultRecordData>& records, const ProgramState& s, int pupil,
                                     const std::vector<int>& levels, const QDate& from, const QDate& to);

// The same per month, from the month of `from` to the month of `to`; each
// bar's day is the first of its month.
std::vector<WeekPoints> monthlyPoints(const std::vector<ResultRecordData>& records, const ProgramState& s, int pupil,
                                      const std::vector<int>& levels, const QDate& from, const QDate& to);

// The weeks the weekly chart shows: from the week of the pupil's first run on
// those levels (but at most `maxWeeks` weeks back) to the week of `today`.
QDate firstChartWeek(const std::vector<ResultRecordData>& records, int pupil, const std::vector<int>& levels,
                     const QDate& today, int maxWeeks);

} // namespace karuvel
