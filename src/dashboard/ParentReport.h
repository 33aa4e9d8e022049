#pragma once
// The parents' report: for each pupil a page a parent can read — the
// school, the pupil, the date and the period, the group the pupil is
// compared with, each chosen level's state (cleared in the period, cleared
// before, not yet), runs, best time beside the group's average, and the
// level's chart. Text is never smaller than 9 points (12 units of a page
// 718 units wide): charts that do not fit go on a following page of the
// same pupil. Plain data and painting; the panel prints and saves it.
#include "dashboard/ClassProgress.h"
#include "dashboard/ProgressChart.h"
#include "dashboard/PupilSummary.h"

#include <QRectF>
#include <QString>
#include <vector>

class QPainter;

namespace karuvel {

// The smallest text on a report page, in page units (9 points).
constexpr double kReportMinText = 12.0;

struct ParentLevelLine {
    int level = 0;
    QString name;
    QString state;  // "クリア", "以前クリア", "まだ", "−" (not run)
    int runs = 0;
    int best = -1;
    int groupAverage = -1;
};

struct ParentReport {
    QString school;
    QString pupil;       // grade and name
    QString date;        // "2026/12/10"
    QString period;      // "2026/09/01～2026/12/31" or "全期間"
    QString group;       // "塾全体", "中３"
    QString groupAverage;  // "塾平均", "中３平均"
    std::vector<ParentLevelLine> levels;
    PupilCharts charts;  // one chart per level of `levels`
};

ParentReport parentReport(const ProgramState& s, const PupilSummary& summary, const ClassProgress& progress,
                          const PupilCharts& charts, int pupil, const std::vector<int>& levels, const QDate& today);

// How many pages a report takes on a page of `pageHeight` units, and one of them painted.
int parentReportPages(const ParentReport& report, double pageHeight);
void paintParentReportPage(QPainter& p, const QRectF& page, const ParentReport& report, int index);

} // namespace karuvel
