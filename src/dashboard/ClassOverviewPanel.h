#pragma once
// The class overview panel of the dashboard ("クラス一覧", teachers): the
// overview of the grade chosen in the dashboard's grade chooser as a
// sortable table, printable and saved as PDF. The rows come from
// ClassOverview.h; the panel shows, prints and saves them.
#include "dashboard/ClassOverview.h"
#include "dashboard/PeriodBar.h"

#include <QFrame>
#include <functional>

class QLabel;
class QPushButton;
class QTableView;

namespace karuvel {

class ClassOverviewPanel : public QFrame {
    Q_OBJECT
public:
    // gradeFilter gives the grade chooser's text.
    explicit ClassOverviewPanel(std::function<QString()> gradeFilter, QWidget* parent = nullptr);

    QLabel* OverviewTitle = nullptr;     // "クラス一覧　" + the grade
    QTableView* OverviewTable = nullptr; // one row per pupil, one column per level
    QPushButton* OverviewPrint = nullptr;  // "印刷"
    QPushButton* OverviewPdf = nullptr;    // "PDFに保存"
    QPushButton* OverviewBack = nullptr;   // "戻る": hides the panel
    QPushButton* OverviewCsv = nullptr;    // "CSVに保存"
    QPushButton* OverviewXlsx = nullptr;   // "Excelに保存": the same table as an .xlsx workbook
    PeriodBar* OverviewPeriod = nullptr;   // the period the cells count (this term at first)
    QLabel* OverviewNote = nullptr;        // what the cells mean, for the period shown
    ClassOverviewModel* model = nullptr;

    // Builds the rows afresh from the statistics of the last recount (the
    // sort column and order are kept) and shows the panel in front.
    void showOverview();
    // Rebuilds the rows when the panel is showing (the grade was changed).
    void refresh();

    void OverviewPrint_Click();
    void OverviewPdf_Click();
    void OverviewBack_Click();
    void OverviewCsv_Click();
    void OverviewXlsx_Click();

signals:
    // A pupil's row was double-clicked.
    void pupilChosen(int pupil);

public:

    // The title line of the printed and saved pages.
    QString pageTitle() const;
    // The pages the overview takes on paper, and one of them painted.
    int pageCount() const;
    void paintPage(QPainter& p, const QRectF& rect, int index) const;

private:
    // Saves a file made for the teacher in a folder they choose (the one
    // last chosen for such files on this PC at first), asking before it
    // replaces a file of the same name.
    void saveTable(const QString& what, const QString& extension, const QByteArray& bytes);
    QString tableFileName(const QString& extension) const;

    std::function<QString()> gradeFilter_;
};

} // namespace karuvel
