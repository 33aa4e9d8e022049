#pragma once
// One pupil's page of summary sheets for paper and PDF: the sheet's title,
// each selected level's lines beside that level's chart, and the weekly
// points at the bottom; and the charts of a pupil worked out from the runs.
#include "dashboard/ProgressChart.h"
#include "dashboard/PupilSummary.h"

#include <QDateTime>
#include <QRectF>
#include <QStringList>
#include <vector>

class QPainter;

namespace karuvel {

// The most weeks the points chart shows as weeks; a longer span is shown per month.
constexpr int kChartWeeks = 60;

// The charts of a pupil for the given levels: the runs of the sheet's period
// (the period chosen, or kSummaryDays), the school's average from the summary,
// the points from the period's start (or the first run) to now, per week, or
// per month when there would be more than kChartWeeks weeks.
PupilCharts pupilCharts(const std::vector<ResultRecordData>& records, const ProgramState& s,
                        const PupilSummary& summary, int pupil, const std::vector<int>& levels, const QDateTime& now);

struct SheetPage {
    QString title;                   // the sheet's title line
    QString subtitle;                // under it: the period and the group compared with
    std::vector<QStringList> blocks; // one block of lines per level, in the order of charts.levels
    PupilCharts charts;
};

// The page, in `rect`: the title across the top, then per level its lines
// on the left and its chart on the right, then the weekly points.
void paintSheetPage(QPainter& p, const QRectF& rect, const SheetPage& page);

} // namespace karuvel
