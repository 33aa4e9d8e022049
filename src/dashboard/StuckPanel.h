#pragma once
// The "つまずき一覧" panel of the dashboard (teachers): the stuck list of the
// grade chosen in the dashboard's grade chooser over a period the teacher
// chooses, most in need first; printable, saved as PDF, and a double-click
// on a pupil opens that pupil's sheet and charts. The rows come from
// StuckList.h.
#include "dashboard/PeriodBar.h"
#include "dashboard/StuckList.h"

#include <QFrame>
#include <functional>

class QLabel;
class QPushButton;
class QTableWidget;

namespace karuvel {

class StuckPanel : public QFrame {
    Q_OBJECT
public:
    explicit StuckPanel(std::function<QString()> gradeFilter, QWidget* parent = nullptr);

    QLabel* StuckTitle = nullptr;        // "つまずき一覧　" + the grade + the count
    PeriodBar* StuckPeriod = nullptr;    // the period of the time-overs and of "cleared"
    QTableWidget* StuckTable = nullptr;  // one row per pupil
    QPushButton* StuckPrint = nullptr;   // "印刷"
    QPushButton* StuckPdf = nullptr;     // "PDFに保存"
    QPushButton* StuckBack = nullptr;    // "戻る"

    // Builds the rows afresh from the runs held and shows the panel in front.
    void showList();
    // Rebuilds the rows when the panel is showing.
    void refresh();
    const std::vector<StuckRow>& rows() const { return rows_; }
    QString pageTitle() const;

signals:
    // A pupil's row was double-clicked.
    void pupilChosen(int pupil);

private:
    int pageCount() const;
    void paintPage(QPainter& p, const QRectF& rect, int index) const;

    std::function<QString()> gradeFilter_;
    std::vector<StuckRow> rows_;
    QString grade_;
};

} // namespace karuvel
