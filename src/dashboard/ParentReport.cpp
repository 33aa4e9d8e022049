#include "dashboard/ParentReport.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>

namespace karuvel {

namespace {
QFont font(double pixels, bool bold = false)
{
    QFont f(QStringLiteral("IPAGothic"));
    f.setPixelSize(std::max(1, int(pixels)));
    f.setBold(bold);
    return f;
}

constexpr double kHeaderHeight = 112;  // the title block of the first page
constexpr double kRowHeight = 24;      // a level's line in the table
constexpr double kChartHeight = 210;   // a level's chart: 12-unit text fits its labels
constexpr double kContinuedHeight = 40;

double tableHeight(const ParentReport& r) { return kRowHeight * double(r.levels.size() + 1) + 16; }

// Charts on the first page and on each following one.
int chartsOnFirst(const ParentReport& r, double pageHeight)
{
    return std::max(0, int((pageHeight - kHeaderHeight - tableHeight(r)) / kChartHeight));
}
int chartsOnNext(double pageHeight) { return std::max(1, int((pageHeight - kContinuedHeight) / kChartHeight)); }
} // namespace

ParentReport parentReport(const ProgramState& s, const PupilSummary& summary, const ClassProgress& progress,
                          const PupilCharts& charts, int pupil, const std::vector<int>& levels, const QDate& today)
{
    ParentReport r;
    r.school = s.SchoolName;
    const QString grade = validPupil(pupil) ? s.PupilGrades[size_t(pupil)] : QString();
    const QString name = validPupil(pupil) ? s.PupilNames[size_t(pupil)].trimmed() : QString();
    r.pupil = (grade.isEmpty() ? QString() : grade + QLatin1Char(' ')) + name + QStringLiteral(" さん");
    r.date = today.toString(QStringLiteral("yyyy/MM/dd"));
    r.period = progress.period().text();
    r.group = summary.groupName(pupil);
    r.groupAverage = summary.groupAverageName(pupil);
    for (int level : levels) {
        const LevelHistory& h = progress.at(pupil, level);
        const LevelFigures f = summary.figures(pupil, level);
        ParentLevelLine line;
        line.level = level;
        line.name = level >= 1 && level <= kMaxLevel ? s.LevelNames[level].trimmed() : QString();
        line.state = h.clearedInPeriod ? QStringLiteral("クリア")
                     : h.clearedEver   ? QStringLiteral("以前クリア")
                     : h.ran           ? QStringLiteral("まだ")
                                       : QStringLiteral("−");
        line.runs = h.runs;
        line.best = h.best;
        line.groupAverage = int(f.schoolAverage);
        r.levels.push_back(line);
    }
    r.charts = charts;
    return r;
}

int parentReportPages(const ParentReport& report, double pageHeight)
{
    const int charts = int(report.charts.levels.size());
    const int first = chartsOnFirst(report, pageHeight);
    if (charts <= first) return 1;
    const int next = chartsOnNext(pageHeight);
    return 1 + (charts - first + next - 1) / next;
}

void paintParentReportPage(QPainter& p, const QRectF& page, const ParentReport& r, int index)
{
    p.save();
    p.setPen(Qt::black);
    const int first = chartsOnFirst(r, page.height());
    const int next = chartsOnNext(page.height());
    int chartFrom = 0, chartCount = first;
    double y = page.top();
    if (index == 0) {
        p.setFont(font(15));
        p.drawText(QRectF(page.left(), y, page.width(), 22), Qt::AlignLeft | Qt::AlignVCenter,
                   r.school + QStringLiteral("　学習のようす"));
        p.drawText(QRectF(page.left(), y, page.width(), 22), Qt::AlignRight | Qt::AlignVCenter, r.date);
        y += 26;
        p.setFont(font(24, true));
        p.drawText(QRectF(page.left(), y, page.width(), 36), Qt::AlignLeft | Qt::AlignVCenter, r.pupil);
        y += 40;
        p.setFont(font(14));
        p.drawText(QRectF(page.left(), y, page.width(), 20), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("期間：%1　　くらべる相手：%2（「%3」はその平均です）").arg(r.period, r.group, r.groupAverage));
        y += 30;
        // The table of levels.
        const double widths[] = {0.40, 0.16, 0.12, 0.16, 0.16};
        const QStringList heads = {QStringLiteral("レベル"), QStringLiteral("クリア"), QStringLiteral("回数"),
                                   QStringLiteral("最高タイム"), r.groupAverage};
        auto cell = [&](int c, double top) {
            double x = page.left();
            for (int k = 0; k < c; ++k) x += page.width() * widths[k];
            return QRectF(x, top, page.width() * widths[c], kRowHeight);
        };
        p.setFont(font(13, true));
        for (int c = 0; c < 5; ++c) {
            p.fillRect(cell(c, y), QColor(228, 232, 244));
            p.setPen(Qt::gray);
            p.drawRect(cell(c, y));
            p.setPen(Qt::black);
            p.drawText(cell(c, y).adjusted(4, 0, -4, 0), Qt::AlignLeft | Qt::AlignVCenter, heads[c]);
        }
        p.setFont(font(13));
        for (const ParentLevelLine& l : r.levels) {
            y += kRowHeight;
            const QStringList texts = {QStringLiteral("%1　%2").arg(l.level).arg(l.name), l.state,
                                       QStringLiteral("%1回").arg(l.runs),
                                       l.best >= 0 ? QStringLiteral("%1秒").arg(l.best) : QStringLiteral("−"),
                                       l.groupAverage >= 0 ? QStringLiteral("%1秒").arg(l.groupAverage) : QStringLiteral("−")};
            if (l.state == QStringLiteral("クリア")) p.fillRect(cell(1, y), QColor(200, 240, 200));
            for (int c = 0; c < 5; ++c) {
                p.setPen(Qt::gray);
                p.drawRect(cell(c, y));
                p.setPen(Qt::black);
                p.drawText(cell(c, y).adjusted(4, 0, -4, 0), Qt::AlignLeft | Qt::AlignVCenter, texts[c]);
            }
        }
        y += kRowHeight + 16;
    } else {
        chartFrom = first + (index - 1) * next;
        chartCount = next;
        p.setFont(font(14, true));
        p.drawText(QRectF(page.left(), y, page.width(), 28), Qt::AlignLeft | Qt::AlignVCenter,
                   r.pupil + QStringLiteral("（つづき）　") + r.date);
        y += kContinuedHeight;
    }
    const int last = std::min(int(r.charts.levels.size()), chartFrom + chartCount);
    for (int k = chartFrom; k < last; ++k) {
        paintLevelChart(p, QRectF(page.left(), y, page.width(), kChartHeight - 10), r.charts.levels[size_t(k)],
                        r.charts.fromWhen, r.charts.toWhen, kReportMinText);
        y += kChartHeight;
    }
    p.restore();
}

} // namespace karuvel
