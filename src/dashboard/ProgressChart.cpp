#include "dashboard/ProgressChart.h"

#include "platform/Calendar.h"

#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace karuvel {

namespace {

const QColor kRunColour(30, 90, 200);
const QColor kBestColour(0, 140, 60);
const QColor kTargetColour(210, 40, 40);
const QColor kAverageColour(150, 110, 0);
const QColor kTimeOverColour(200, 0, 0);
const QColor kBarColour(70, 130, 220);
const QColor kGridColour(215, 215, 215);
const QColor kFrameColour(110, 110, 110);

QFont chartFont(double pixels, bool bold = false)
{
    QFont f(QStringLiteral("IPAGothic"));
    f.setPixelSize(std::max(1, int(std::lround(pixels))));
    f.setBold(bold);
    return f;
}

// The text size of a chart of this height: readable on the 1024 x 768 screen,
// and in proportion on paper.
double textSize(const QRectF& rect) { return std::clamp(rect.height() * 0.075, 7.0, 14.0); }

// A step for the value axis that gives about `lines` grid lines: 1, 2 or 5 times a power of ten.
double niceStep(double range, int lines)
{
    if (range <= 0) return 1;
    const double raw = range / std::max(1, lines);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        if (m * power >= raw) return std::max(1.0, m * power);
    }
    return std::max(1.0, 10 * power);
}

bool axisNeedsYears(double fromWhen, double toWhen)
{
    return toWhen - fromWhen > 300 || fromOleDate(std::floor(fromWhen)).year() != fromOleDate(std::floor(toWhen)).year();
}

// A title in its line; one too long for the width is drawn smaller until it fits.
void drawTitle(QPainter& p, const QRectF& rect, const QString& text, double size)
{
    const double wide = QFontMetricsF(chartFont(size, true)).horizontalAdvance(text);
    if (wide > rect.width() && wide > 0) size = std::max(8.0, size * rect.width() / wide * 0.98);
    p.setFont(chartFont(size, true));
    p.setPen(Qt::black);
    p.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter, text);
}

// A short stroke and its caption, left to right from x; returns the x after it.
double legendEntry(QPainter& p, double x, double y, const QPen& pen, const QString& text, bool dot = false)
{
    const QFontMetricsF fm(p.font());
    p.setPen(pen);
    if (dot) {
        p.setBrush(pen.color());
        p.drawEllipse(QPointF(x + 6, y), 2.5, 2.5);
        p.setBrush(Qt::NoBrush);
    } else {
        p.drawLine(QPointF(x, y), QPointF(x + 14, y));
    }
    p.setPen(Qt::black);
    p.drawText(QPointF(x + 17, y + fm.ascent() / 2 - 1), text);
    return x + 17 + fm.horizontalAdvance(text) + 10;
}

} // namespace

QString chartDayText(double when, double fromWhen, double toWhen)
{
    const QDate d = fromOleDate(std::floor(when));
    const QString md = QString::number(d.month()) + QLatin1Char('/') + QString::number(d.day());
    return axisNeedsYears(fromWhen, toWhen) ? QString::number(d.year()) + QLatin1Char('/') + md : md;
}

void setChartTimeAxis(PupilCharts* charts, double now)
{
    double first = now;
    for (const LevelProgress& level : charts->levels) {
        if (!level.runs.empty()) first = std::min(first, level.runs.front().when);
    }
    first = std::min(first, now - 7);
    const double room = std::max(0.5, (now - first) * 0.03);
    charts->fromWhen = first - room;
    charts->toWhen = now + room;
}

void paintLevelChart(QPainter& p, const QRectF& rect, const LevelProgress& level, double fromWhen, double toWhen,
                     double textPixels)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const double ts = textPixels > 0 ? textPixels : textSize(rect);
    const QFont small = chartFont(ts);
    p.setFont(small);
    const QFontMetricsF fm(small);

    // Title and legend above, the time-over band at the top of the plot, the
    // dates below and the seconds on the left.
    const double titleHeight = fm.height() * 1.3;
    drawTitle(p, QRectF(rect.left(), rect.top(), rect.width(), titleHeight),
              QStringLiteral("【") + QString::number(level.level) + QStringLiteral("】") + level.name
                  + QStringLiteral("　タイム（秒）"),
              ts * 1.1);
    const double legendY = rect.top() + titleHeight + fm.height() * 0.5;
    p.setFont(small);
    double x = rect.left() + 4;
    // Runs that would crowd the plot are summed up per day, or per week.
    const double spanDays = std::max(1e-6, toWhen - fromWhen);
    const double plotWidthGuess = rect.width() - fm.horizontalAdvance(QStringLiteral("99999")) - 12;
    int bucket = 0;
    if (double(level.runs.size()) > plotWidthGuess / 6.0) bucket = spanDays <= plotWidthGuess / 5.0 ? 1 : 7;
    const std::vector<ChartRun> shownRuns = bucket > 0 ? bucketRuns(level.runs, bucket) : level.runs;
    const QString runCaption = bucket == 0 ? QStringLiteral("1回ごと")
                               : bucket == 1 ? QStringLiteral("1日ごとの最高")
                                             : QStringLiteral("1週ごとの最高");
    x = legendEntry(p, x, legendY, QPen(kRunColour, 1.5), runCaption, true);
    x = legendEntry(p, x, legendY, QPen(kBestColour, 2.5), QStringLiteral("自己ベスト"));
    x = legendEntry(p, x, legendY, QPen(kTargetColour, 1.5, Qt::DashLine), QStringLiteral("目標"));
    legendEntry(p, x, legendY, QPen(kAverageColour, 1.5, Qt::DotLine), level.averageName);

    const double leftAxis = fm.horizontalAdvance(QStringLiteral("99999")) + 6;
    const double overBand = fm.height() * 1.2;
    QRectF plot(rect.left() + leftAxis, legendY + fm.height() * 0.7 + overBand, rect.width() - leftAxis - 6,
                rect.height() - (legendY - rect.top()) - fm.height() * 0.7 - overBand - fm.height() * 1.4);
    if (plot.width() < 20 || plot.height() < 20) {
        p.restore();
        return;
    }
    const QRectF band(plot.left(), plot.top() - overBand, plot.width(), overBand);

    int highest = 0;
    bool anyTime = false, anyNoTime = false;
    for (const ChartRun& run : level.runs) {
        if (run.noTime) {
            anyNoTime = true;
        } else {
            highest = std::max(highest, run.time);
            anyTime = true;
        }
    }
    highest = std::max({highest, level.target, level.schoolAverage, 10});
    const double step = niceStep(highest * 1.1, 4);
    const double top = std::ceil(highest * 1.1 / step) * step;
    const double span = std::max(1e-6, toWhen - fromWhen);
    auto xOf = [&](double when) { return plot.left() + (when - fromWhen) / span * plot.width(); };
    auto yOf = [&](double seconds) { return plot.bottom() - seconds / top * plot.height(); };

    // Grid and value labels.
    p.setFont(small);
    for (double v = 0; v <= top + 0.5; v += step) {
        const double y = yOf(v);
        p.setPen(QPen(kGridColour, 1));
        p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        p.setPen(Qt::black);
        p.drawText(QRectF(rect.left(), y - fm.height() / 2, leftAxis - 4, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(v));
    }
    // Date labels: about one per two label widths, at whole days; with years
    // when the axis crosses one.
    const QString widest = axisNeedsYears(fromWhen, toWhen) ? QStringLiteral("2026/12/31") : QStringLiteral("12/31");
    const int ticks = std::max(2, int(plot.width() / (fm.horizontalAdvance(widest) * 1.6)));
    const double dayStep = std::max(1.0, std::ceil(span / ticks));
    for (double d = std::ceil(fromWhen); d <= toWhen; d += dayStep) {
        const double xd = xOf(d);
        p.setPen(QPen(kGridColour, 1));
        p.drawLine(QPointF(xd, plot.top()), QPointF(xd, plot.bottom()));
        p.setPen(Qt::black);
        const QString t = chartDayText(d, fromWhen, toWhen);
        const double w = fm.horizontalAdvance(t);
        p.drawText(QPointF(std::clamp(xd - w / 2, plot.left() - leftAxis / 2, plot.right() - w), plot.bottom() + fm.ascent() + 2), t);
    }
    p.setPen(QPen(kFrameColour, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(plot);
    // The band for runs without a time.
    p.fillRect(band, QColor(255, 236, 236));
    p.setPen(QPen(kTimeOverColour, 1));
    p.drawText(band.adjusted(-leftAxis, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("×"));

    // Reference lines, drawn over the runs so that their labels stay readable.
    // The target's label sits at the right end of its line and the average's
    // at the left end, so that the two stay readable when they lie close.
    auto reference = [&](int seconds, const QPen& pen, const QString& label, bool atRight) {
        if (seconds < 0) return;
        p.setPen(pen);
        const double y = yOf(seconds);
        p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        p.setFont(small);
        const QString text = label + QString::number(seconds) + QStringLiteral("秒");
        const double w = fm.horizontalAdvance(text);
        const double x0 = atRight ? plot.right() - w - 3 : plot.left() + 3;
        p.fillRect(QRectF(x0 - 1, y - fm.height(), w + 2, fm.height() - 1), QColor(255, 255, 255, 200));
        p.drawText(QPointF(x0, y - fm.descent() - 1), text);
    };
    auto references = [&] {
        reference(level.target, QPen(kTargetColour, 1.5, Qt::DashLine), QStringLiteral("目標 "), true);
        reference(level.schoolAverage, QPen(kAverageColour, 1.5, Qt::DotLine), level.averageName + QStringLiteral(" "),
                  false);
    };

    if (level.runs.empty()) {
        references();
        p.setFont(chartFont(ts * 1.1));
        p.setPen(Qt::darkGray);
        p.drawText(plot, Qt::AlignCenter, QStringLiteral("まだ記録がありません"));
        p.restore();
        return;
    }

    // Every run (or every day's or week's best): a dot at its time, or a cross in the band.
    const double r = std::clamp(ts * 0.25, 1.8, 3.5);
    for (const ChartRun& run : shownRuns) {
        const double xr = xOf(run.when);
        if (run.noTime) {
            const double yc = band.center().y();
            p.setPen(QPen(kTimeOverColour, 1.8));
            p.drawLine(QPointF(xr - r, yc - r), QPointF(xr + r, yc + r));
            p.drawLine(QPointF(xr - r, yc + r), QPointF(xr + r, yc - r));
        } else {
            // Under the best-time line and the labels, a little transparent.
            QColor fill = kRunColour;
            fill.setAlpha(170);
            p.setPen(Qt::NoPen);
            p.setBrush(fill);
            p.drawEllipse(QPointF(xr, yOf(run.time)), r, r);
            p.setBrush(Qt::NoBrush);
        }
    }
    // The best time so far: a step at each new best, held to the last run.
    if (!level.bestSteps.empty()) {
        QPainterPath path;
        path.moveTo(xOf(level.bestSteps.front().when), yOf(level.bestSteps.front().best));
        for (size_t k = 1; k < level.bestSteps.size(); ++k) {
            path.lineTo(xOf(level.bestSteps[k].when), yOf(level.bestSteps[k - 1].best));
            path.lineTo(xOf(level.bestSteps[k].when), yOf(level.bestSteps[k].best));
        }
        path.lineTo(xOf(std::max(level.runs.back().when, level.bestSteps.back().when)), yOf(level.bestSteps.back().best));
        p.setPen(QPen(kBestColour, 2.5));
        p.drawPath(path);
    }
    references();
    if (anyNoTime && !anyTime) {
        p.setFont(chartFont(ts));
        p.setPen(Qt::darkGray);
        p.drawText(plot, Qt::AlignCenter, QStringLiteral("時間内に終えた回はまだありません"));
    }
    p.restore();
}

void paintWeeklyChart(QPainter& p, const QRectF& rect, const std::vector<WeekPoints>& weeks, double textPixels,
                      bool monthly)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const double ts = textPixels > 0 ? textPixels : textSize(rect);
    const QFont small = chartFont(ts);
    const QFontMetricsF fm(small);
    const double titleHeight = fm.height() * 1.3;
    drawTitle(p, QRectF(rect.left(), rect.top(), rect.width(), titleHeight), monthly ? QStringLiteral("月ごとの獲得ポイント") : QStringLiteral("週ごとの獲得ポイント"),
              ts * 1.1);
    p.setFont(small);
    const double leftAxis = fm.horizontalAdvance(QStringLiteral("99999")) + 6;
    QRectF plot(rect.left() + leftAxis, rect.top() + titleHeight + fm.height() * 0.6, rect.width() - leftAxis - 6,
                rect.height() - titleHeight - fm.height() * 2.1);
    if (plot.width() < 20 || plot.height() < 20 || weeks.empty()) {
        p.restore();
        return;
    }
    long long highest = 10;
    for (const WeekPoints& w : weeks) highest = std::max(highest, w.points);
    const double step = niceStep(double(highest) * 1.15, 4);
    const double top = std::ceil(double(highest) * 1.15 / step) * step;
    auto yOf = [&](double v) { return plot.bottom() - v / top * plot.height(); };
    for (double v = 0; v <= top + 0.5; v += step) {
        p.setPen(QPen(kGridColour, 1));
        p.drawLine(QPointF(plot.left(), yOf(v)), QPointF(plot.right(), yOf(v)));
        p.setPen(Qt::black);
        p.drawText(QRectF(rect.left(), yOf(v) - fm.height() / 2, leftAxis - 4, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(v));
    }
    const double slot = plot.width() / double(weeks.size());
    const double barWidth = std::max(1.0, slot * 0.7);
    const bool valuesFit = fm.horizontalAdvance(QStringLiteral("999")) <= slot;
    // A date under the bars about every two label widths, with the year when
    // the weeks cross one.
    const double firstWeek = toOleDate(weeks.front().monday), lastWeek = toOleDate(weeks.back().monday) + 6;
    // A month's bar is named by its year and month ("2025/4"), a week's by its Monday.
    auto barText = [&](const QDate& d) {
        return monthly ? QStringLiteral("%1/%2").arg(d.year()).arg(d.month()) : chartDayText(toOleDate(d), firstWeek, lastWeek);
    };
    const QString widest = monthly ? QStringLiteral("2026/12")
                           : chartDayText(lastWeek, firstWeek, lastWeek).size() > 5 ? QStringLiteral("2026/12/31")
                                                                                    : QStringLiteral("12/31");
    const int labelEvery = std::max(1, int(std::ceil(fm.horizontalAdvance(widest) * 1.4 / slot)));
    for (size_t k = 0; k < weeks.size(); ++k) {
        const double x = plot.left() + slot * double(k) + (slot - barWidth) / 2;
        const WeekPoints& w = weeks[k];
        if (w.points > 0) {
            const QRectF bar(x, yOf(double(w.points)), barWidth, plot.bottom() - yOf(double(w.points)));
            p.fillRect(bar, kBarColour);
            if (valuesFit) {
                p.setPen(Qt::black);
                p.drawText(QRectF(x - slot, bar.top() - fm.height(), barWidth + 2 * slot, fm.height()),
                           Qt::AlignHCenter | Qt::AlignBottom, QString::number(w.points));
            }
        }
        const size_t fromEnd = weeks.size() - 1 - k;  // the latest week always has its date
        if (fromEnd % size_t(labelEvery) == 0) {
            p.setPen(Qt::black);
            const QString t = barText(w.monday);
            const double tw = fm.horizontalAdvance(t);
            p.drawText(QPointF(std::clamp(x + barWidth / 2 - tw / 2, plot.left() - leftAxis / 2, plot.right() - tw),
                               plot.bottom() + fm.ascent() + 2),
                       t);
        }
    }
    p.setPen(QPen(kFrameColour, 1));
    p.drawRect(plot);
    p.restore();
}

void paintPupilCharts(QPainter& p, const QRectF& rect, const PupilCharts& charts)
{
    double titleHeight = charts.title.isEmpty() ? 0.0 : std::clamp(rect.height() * 0.05, 14.0, 26.0);
    if (titleHeight > 0) drawTitle(p, QRectF(rect.left(), rect.top(), rect.width(), titleHeight), charts.title, titleHeight * 0.7);
    if (!charts.subtitle.isEmpty()) {
        // The period and the group on a line of their own: the title line keeps its size.
        const double h = std::max(12.0, titleHeight * 0.75);
        p.save();
        p.setFont(chartFont(h * 0.72, false));
        p.setPen(Qt::black);
        QString line = charts.subtitle;
        const QFontMetricsF fm(p.font());
        if (fm.horizontalAdvance(line) > rect.width()) line = fm.elidedText(line, Qt::ElideRight, rect.width());
        p.drawText(QRectF(rect.left(), rect.top() + titleHeight, rect.width(), h), Qt::AlignLeft | Qt::AlignVCenter, line);
        p.restore();
        titleHeight += h;
    }
    // Each level chart gets two shares of the height, the weekly chart one and a half.
    const double shares = 2.0 * double(charts.levels.size()) + 1.5;
    const double unit = (rect.height() - titleHeight) / shares;
    const double gap = std::min(10.0, unit * 0.1);
    // One text size for every chart of the page.
    const double ts = textSize(QRectF(0, 0, rect.width(), 2 * unit - gap));
    double y = rect.top() + titleHeight;
    for (const LevelProgress& level : charts.levels) {
        paintLevelChart(p, QRectF(rect.left(), y, rect.width(), 2 * unit - gap), level, charts.fromWhen, charts.toWhen, ts);
        y += 2 * unit;
    }
    paintWeeklyChart(p, QRectF(rect.left(), y, rect.width(), 1.5 * unit - gap), charts.weeks, ts, charts.monthly);
}

ProgressChart::ProgressChart(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    PreviousPupil = new QPushButton(QStringLiteral("◀"), this);
    PreviousPupil->setObjectName(QStringLiteral("PreviousPupil"));
    PreviousPupil->setToolTip(QStringLiteral("前の人のグラフ"));
    NextPupil = new QPushButton(QStringLiteral("▶"), this);
    NextPupil->setObjectName(QStringLiteral("NextPupil"));
    NextPupil->setToolTip(QStringLiteral("次の人のグラフ"));
    PupilPage = new QLabel(this);
    PupilPage->setObjectName(QStringLiteral("PupilPage"));
    PupilPage->setAlignment(Qt::AlignCenter);
    connect(PreviousPupil, &QPushButton::clicked, this, [this] { showPage(page_ - 1); });
    connect(NextPupil, &QPushButton::clicked, this, [this] { showPage(page_ + 1); });
    placePager();
}

void ProgressChart::setCharts(PupilCharts charts)
{
    std::vector<PupilCharts> one;
    one.push_back(std::move(charts));
    setPages(std::move(one));
}

void ProgressChart::setPages(std::vector<PupilCharts> pages)
{
    const QString shownTitle = charts_.title;
    pages_ = std::move(pages);
    int keep = 0;
    for (size_t k = 0; k < pages_.size(); ++k)
        if (pages_[k].title == shownTitle) keep = int(k);
    page_ = -1;
    showPage(keep);
}

void ProgressChart::showPage(int page)
{
    if (pages_.empty()) {
        charts_ = PupilCharts{};
        page_ = 0;
    } else {
        page_ = std::clamp(page, 0, int(pages_.size()) - 1);
        charts_ = pages_[size_t(page_)];
    }
    const bool several = pages_.size() > 1;
    PreviousPupil->setVisible(several);
    NextPupil->setVisible(several);
    PupilPage->setVisible(several);
    PreviousPupil->setEnabled(page_ > 0);
    NextPupil->setEnabled(page_ + 1 < int(pages_.size()));
    PupilPage->setText(QStringLiteral("%1/%2人目").arg(page_ + 1).arg(pages_.size()));
    update();
}

void ProgressChart::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placePager();
}

void ProgressChart::placePager()
{
    // In the top right corner, beside the title.
    NextPupil->setGeometry(width() - 34, 2, 30, 24);
    PupilPage->setGeometry(width() - 34 - 64, 2, 64, 24);
    PreviousPupil->setGeometry(width() - 34 - 64 - 30, 2, 30, 24);
}

void ProgressChart::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    // With several pupils the pager takes the top row.
    paintPupilCharts(p, QRectF(rect()).adjusted(6, pages_.size() > 1 ? 28 : 4, -4, -4), charts_);
}

} // namespace karuvel
