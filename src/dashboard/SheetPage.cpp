#include "dashboard/SheetPage.h"

#include "platform/Calendar.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>

namespace karuvel {

PupilCharts pupilCharts(const std::vector<ResultRecordData>& records, const ProgramState& s,
                        const PupilSummary& summary, int pupil, const std::vector<int>& levels, const QDateTime& now)
{
    PupilCharts charts;
    const double nowOle = toOleDateTime(now);
    const SummaryScope& scope = summary.scope();
    // The pupil's runs of the sheet's period.
    std::vector<ResultRecordData> own;
    for (const ResultRecordData& r : records)
        if (r.pupil == pupil && (!scope.periodSet || scope.period.contains(r.date))) own.push_back(r);
    const double since = scope.periodSet ? -1e300 : nowOle - kSummaryDays;
    for (int level : levels) {
        LevelProgress progress = levelProgress(own, s, pupil, level, since, int(summary.figures(pupil, level).schoolAverage));
        progress.averageName = summary.groupAverageName(pupil);
        charts.levels.push_back(std::move(progress));
    }
    const QDate last = scope.periodSet && scope.period.to.isValid() ? std::min(scope.period.to, now.date()) : now.date();
    // The bars span the period chosen, or the runs shown.
    QDate first = firstChartWeek(own, pupil, levels, last, int(kSummaryDays / 7) + 1);
    if (scope.periodSet && scope.period.from.isValid()) first = weekStart(std::min(scope.period.from, last));
    if (first.daysTo(last) / 7 + 1 > kChartWeeks) {
        charts.monthly = true;
        charts.weeks = monthlyPoints(own, s, pupil, levels, first, last);
    } else {
        charts.weeks = weeklyPoints(own, s, pupil, levels, first, last);
    }
    setChartTimeAxis(&charts, nowOle);
    if (scope.periodSet) {
        // The axis spans the period chosen (up to today), not only the runs in it.
        const double to = scope.period.to.isValid() ? std::min(nowOle, toOleDate(scope.period.to) + 1) : nowOle;
        double from = charts.fromWhen;
        if (scope.period.from.isValid()) from = toOleDate(scope.period.from);
        if (to - from < 7) from = to - 7;
        const double room = std::max(0.5, (to - from) * 0.03);
        charts.fromWhen = from - room;
        charts.toWhen = to + room;
    }
    charts.periodText = scope.periodSet ? scope.period.text() : QString();
    charts.groupName = summary.groupName(pupil);
    return charts;
}

void paintSheetPage(QPainter& p, const QRectF& rect, const SheetPage& page)
{
    p.save();
    QFont titleFont(QStringLiteral("IPAGothic"));
    titleFont.setPixelSize(20);
    titleFont.setBold(true);
    p.setFont(titleFont);
    p.setPen(Qt::black);
    double titleHeight = QFontMetricsF(titleFont).height() * 1.6;
    p.drawText(QRectF(rect.left(), rect.top(), rect.width(), titleHeight), Qt::AlignLeft | Qt::AlignVCenter, page.title);
    if (!page.subtitle.isEmpty()) {
        // The period and the group compared with, under the title.
        QFont sub(QStringLiteral("IPAGothic"));
        sub.setPixelSize(14);
        p.setFont(sub);
        const double h = QFontMetricsF(sub).height() * 1.4;
        p.drawText(QRectF(rect.left(), rect.top() + titleHeight, rect.width(), h), Qt::AlignLeft | Qt::AlignVCenter,
                   page.subtitle);
        titleHeight += h;
    }

    const size_t levels = page.charts.levels.size();
    // Each level's row gets two shares of the height, the weekly chart one and a half.
    const double shares = 2.0 * double(levels) + 1.5;
    const double unit = (rect.height() - titleHeight) / shares;
    const double rowHeight = 2 * unit;
    const double textWidth = rect.width() * 0.46;
    // The lines fill at most the row's height; the longest sheet line is
    // about 17 full-width characters wide.
    const double linePixels = std::clamp(std::min(rowHeight / 12.5, textWidth / 18.0), 4.0, 14.0);
    QFont sheetFont(QStringLiteral("IPAGothic"));
    sheetFont.setPixelSize(std::max(1, int(linePixels)));
    sheetFont.setStyleHint(QFont::Monospace);
    const double lineStep = QFontMetricsF(sheetFont).lineSpacing();
    const double chartText = std::clamp(rowHeight * 0.075, 6.0, 13.0);

    double y = rect.top() + titleHeight;
    for (size_t k = 0; k < levels; ++k) {
        p.setFont(sheetFont);
        p.setPen(Qt::black);
        double ly = y + QFontMetricsF(sheetFont).ascent();
        if (k < page.blocks.size()) {
            for (const QString& line : page.blocks[k]) {
                p.drawText(QPointF(rect.left(), ly), line);
                ly += lineStep;
            }
        }
        paintLevelChart(p, QRectF(rect.left() + textWidth, y, rect.width() - textWidth, rowHeight - 6),
                        page.charts.levels[k], page.charts.fromWhen, page.charts.toWhen, chartText);
        y += rowHeight;
        p.setPen(QPen(QColor(200, 200, 200), 1));
        p.drawLine(QPointF(rect.left(), y - 3), QPointF(rect.right(), y - 3));
    }
    paintWeeklyChart(p, QRectF(rect.left(), y + 4, rect.width(), 1.5 * unit - 8), page.charts.weeks, chartText,
                     page.charts.monthly);
    p.restore();
}

} // namespace karuvel
