#include "dashboard/ProgressData.h"

#include "dashboard/PupilSummary.h"
#include "platform/Calendar.h"
#include "records/Recount.h"

#include <algorithm>
#include <cmath>

namespace karuvel {

namespace {
// A day no calendar can name beyond (31 December 9999, plus one).
constexpr double kDayAfterLastOleDay = 2958466.0;

bool usableDate(double date) { return std::isfinite(date) && date >= 0 && date < kDayAfterLastOleDay; }

bool wanted(const std::vector<int>& levels, int level)
{
    return std::find(levels.begin(), levels.end(), level) != levels.end();
}
} // namespace

bool chartTimeCounts(int time) { return time >= 0 && time < kSummaryTimeLimit; }

QDate weekStart(const QDate& date) { return date.addDays(1 - date.dayOfWeek()); }

std::vector<ChartRun> bucketRuns(const std::vector<ChartRun>& runs, int bucketDays)
{
    std::vector<ChartRun> out;
    if (bucketDays < 1) bucketDays = 1;
    // OLE day 2 was a Monday (1 January 1900): weeks start on Mondays.
    auto bucketOf = [bucketDays](double when) {
        const double day = std::floor(when);
        return bucketDays == 1 ? day : std::floor((day - 2) / bucketDays) * bucketDays + 2;
    };
    size_t k = 0;
    while (k < runs.size()) {
        const double start = bucketOf(runs[k].when);
        const double middle = start + bucketDays / 2.0;
        int best = -1;
        bool noTime = false;
        for (; k < runs.size() && bucketOf(runs[k].when) == start; ++k) {
            if (runs[k].noTime) noTime = true;
            else if (best < 0 || runs[k].time < best) best = runs[k].time;
        }
        if (best >= 0) out.push_back({middle, best, false});
        if (noTime) out.push_back({middle, kTimeOver, true});
    }
    return out;
}

LevelProgress levelProgress(const std::vector<ResultRecordData>& records, const ProgramState& s, int pupil, int level,
                            double since, int schoolAverage)
{
    LevelProgress p;
    p.level = level;
    if (level < 1 || level > kMaxLevel) return p;
    p.name = s.LevelNames[level];
    p.target = s.TargetTime[level] > 0 ? s.TargetTime[level] : -1;
    p.schoolAverage = schoolAverage >= 0 ? schoolAverage : -1;
    for (const ResultRecordData& r : records) {
        if (r.pupil != pupil || r.level != level || !usableDate(r.date)) continue;
        // The time of day is a fraction of a day; a damaged one is left at midnight.
        const double dayPart = std::isfinite(r.clock) && r.clock >= 0 && r.clock < 1 ? r.clock : 0.0;
        const double when = std::floor(r.date) + dayPart;
        if (!(when > since)) continue;
        p.runs.push_back({when, r.time, !chartTimeCounts(r.time)});
    }
    std::stable_sort(p.runs.begin(), p.runs.end(),
                     [](const ChartRun& a, const ChartRun& b) { return a.when < b.when; });
    for (const ChartRun& run : p.runs) {
        if (run.noTime) continue;
        if (p.bestSteps.empty() || run.time < p.bestSteps.back().best) p.bestSteps.push_back({run.when, run.time});
    }
    return p;
}

std::vector<WeekPoints> weeklyPoints(const std::vector<ResultRecordData>& records, const ProgramState& s, int pupil,
                                     const std::vector<int>& levels, const QDate& from, const QDate& to)
{
    std::vector<WeekPoints> weeks;
    const QDate first = weekStart(from);
    const QDate last = weekStart(to);
    if (!first.isValid() || !last.isValid() || last < first) return weeks;
    for (QDate d = first; d <= last; d = d.addDays(7)) weeks.push_back({d, 0});
    const double firstDay = toOleDate(first);
    for (const ResultRecordData& r : records) {
        if (r.pupil != pupil || !wanted(levels, r.level) || r.level < 1 || r.level > kMaxLevel) continue;
        if (!usableDate(r.date) || isPracticeLevelName(s.LevelNames[r.level])) continue;
        const double day = std::floor(r.date) - firstDay;
        if (day < 0) continue;
        const size_t week = size_t(day / 7);
        if (week >= weeks.size()) continue;
        weeks[week].points += recordPoints(r.time, s.TargetTime[r.level], s.PointMultiplier[r.level]);
    }
    return weeks;
}

std::vector<WeekPoints> monthlyPoints(const std::vector<ResultRecordData>& records, const ProgramState& s, int pupil,
                                      const std::vector<int>& levels, const QDate& from, const QDate& to)
{
    std::vector<WeekPoints> months;
    if (!from.isValid() || !to.isValid() || to < from) return months;
    const QDate first(from.year(), from.month(), 1);
    for (QDate d = first; d <= to; d = d.addMonths(1)) months.push_back({d, 0});
    for (const ResultRecordData& r : records) {
        if (r.pupil != pupil || !wanted(levels, r.level) || r.level < 1 || r.level > kMaxLevel) continue;
        if (!usableDate(r.date) || isPracticeLevelName(s.LevelNames[r.level])) continue;
        const QDate day = fromOleDate(std::floor(r.date));
        const long long k = (day.year() - first.year()) * 12LL + (day.month() - first.month());
        if (k < 0 || k >= (long long)months.size()) continue;
        months[size_t(k)].points += recordPoints(r.time, s.TargetTime[r.level], s.PointMultiplier[r.level]);
    }
    return months;
}

QDate firstChartWeek(const std::vector<ResultRecordData>& records, int pupil, const std::vector<int>& levels,
                     const QDate& today, int maxWeeks)
{
    const QDate earliest = weekStart(today).addDays(-7 * std::max(0, maxWeeks - 1));
    double first = toOleDate(today);
    for (const ResultRecordData& r : records) {
        if (r.pupil == pupil && wanted(levels, r.level) && usableDate(r.date) && r.date < first) first = r.date;
    }
    const QDate firstRun = weekStart(fromOleDate(std::floor(first)));
    return std::max(firstRun, earliest);
}

} // namespace karuvel
