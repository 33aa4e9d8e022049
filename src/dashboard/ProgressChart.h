#pragma once
// The progress charts of one pupil: per level, each run's time by date with
// the best time so far as a step line and the level's target time and the
// school's average as reference lines; below them the points earned per
// week. The painting functions draw into any painter (the screen, the
// printer, a PDF page); ProgressChart is the widget that shows them.
#include "dashboard/ProgressData.h"

#include <QRectF>
#include <QString>
#include <QWidget>
#include <vector>

class QLabel;
class QPainter;
class QPushButton;

namespace karuvel {

// Everything the charts of one pupil show.
struct PupilCharts {
    QString title;                      // whose charts these are
    QString subtitle;                   // under it, smaller: the period and the group compared with
    std::vector<LevelProgress> levels;  // one chart each, in this order
    std::vector<WeekPoints> weeks;      // the points chart's bars: weeks, or months when `monthly`
    bool monthly = false;
    double fromWhen = 0;                // the time axis of the level charts (OLE date-times)
    double toWhen = 0;
    QString periodText;                 // the period chosen ("2026/09/01～2026/12/10"), empty: the last ten years
    QString groupName;                  // whom the pupil is compared with ("塾全体", "中３")
};

// The time axis shared by the level charts: from the first run shown (or a
// week before `now` when there is none) to `now`, with a little room on both sides.
void setChartTimeAxis(PupilCharts* charts, double now);

// One level's chart in `rect`; text in textPixels (in the painter's units),
// or in proportion to the chart's height when that is 0.
void paintLevelChart(QPainter& p, const QRectF& rect, const LevelProgress& level, double fromWhen, double toWhen,
                     double textPixels = 0);
// The points chart in `rect`: a bar a week ("週ごとの獲得ポイント"), or a
// bar a month ("月ごとの獲得ポイント") when `monthly`.
void paintWeeklyChart(QPainter& p, const QRectF& rect, const std::vector<WeekPoints>& weeks, double textPixels = 0,
                      bool monthly = false);
// The title, the level charts one under the other and the weekly chart at the
// bottom, sharing `rect`.
void paintPupilCharts(QPainter& p, const QRectF& rect, const PupilCharts& charts);

// The day labels of a time axis: "4/7" within one year, "2025/4/7" when the
// axis spans the turn of a year or more than 300 days.
QString chartDayText(double when, double fromWhen, double toWhen);

// The widget on the dashboard that shows the charts of the chosen pupils,
// one pupil at a time with "◀" and "▶" between them.
class ProgressChart : public QWidget {
    Q_OBJECT
public:
    explicit ProgressChart(QWidget* parent = nullptr);
    void setCharts(PupilCharts charts);
    // One page per pupil; the page shown stays on its pupil where it can.
    void setPages(std::vector<PupilCharts> pages);
    const PupilCharts& charts() const { return charts_; }
    int pageCount() const { return int(pages_.size()); }
    int page() const { return page_; }
    void showPage(int page);

    QPushButton* PreviousPupil = nullptr;  // "◀"
    QPushButton* NextPupil = nullptr;      // "▶"
    QLabel* PupilPage = nullptr;           // "2/3人目"

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placePager();
    PupilCharts charts_;
    std::vector<PupilCharts> pages_;
    int page_ = 0;
};

} // namespace karuvel
