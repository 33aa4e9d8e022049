#include "dashboard/SheetPage.h"

#include "frame/Calendar.h"

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
    for (int level : levels) {
        charts.levels.push_back(
            levelProgress(records, s, pupil, level, nowOle - kSummaryDays, int(summary.figures(pupil, level).schoolAverage)));
    }
    const QDate first = firstChartWeek(records, pupil, levels, now.date(), kChartWeeks);
    charts.weeks = weeklyPoints(records, s, pupil, levels, first, now.date());
    setChartTimeAxis(&charts, nowOle);
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
    const double titleHeight = QFontMetricsF(titleFont).height() * 1.6;
    p.drawText(QRectF(rect.left(), rect.top(), rect.width(), titleHeight), Qt::AlignLeft | Qt::AlignVCenter, page.title);

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
    paintWeeklyChart(p, QRectF(rect.left(), y + 4, rect.width(), 1.5 * unit - 8), page.charts.weeks, chartText);
    p.restore();
}

} // namespace karuvel
