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

// How far back the weekly points chart goes.
constexpr int kChartWeeks = 26;

// The charts of a pupil for the given levels: the runs of the sheet's period
// (kSummaryDays), the school's average from the summary, the weeks from the
// first run (at most kChartWeeks back) to now.
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
