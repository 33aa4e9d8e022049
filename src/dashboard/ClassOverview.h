#pragma once
// The class overview for teachers: one row per listed pupil of the chosen
// grade, one column per level, each cell telling whether the pupil has
// cleared the level (the rule the finish screen and the dashboard use), the
// runs and points within the level's recent period, and the best time. The
// rows are worked out from the statistics of the last recount and need no
// screen; ClassOverviewModel puts them in a table view and sorts them.
#include "dashboard/ClassProgress.h"
#include "records/XlsxFile.h"
#include "state/ProgramState.h"

#include <QAbstractTableModel>
#include <QString>
#include <vector>

class QPainter;
class QRectF;

namespace karuvel {

struct OverviewCell {
    bool ran = false;            // any stored run of the level at all
    bool cleared = false;        // cleared within the period shown
    bool clearedBefore = false;  // cleared once, but not within the period shown
    int runs = 0;                // runs within the period
    long long points = 0;        // their points
    int best = -1;               // the best time within the period, -1 when there is none
};

struct OverviewRow {
    int pupil = 0;
    int rosterPosition = 0;  // 1.. in roster order
    QString grade;           // grade label
    QString name;            // trimmed
    std::vector<OverviewCell> cells;  // one per level of ClassOverview::levels
};

struct ClassOverview {
    QString gradeFilter;
    Period period;            // the period the cells count
    std::vector<int> levels;  // the levels shown: 1..LevelCount without practice levels
    std::vector<OverviewRow> rows;
};

// The overview of the listed pupils (roster order, teachers left out) that
// pass the grade filter, over the period of `progress`.
ClassOverview classOverview(const ProgramState& s, const QString& gradeFilter, const ClassProgress& progress);

// The cell's lines: "クリア" when cleared within the period, "以前クリア"
// when only before it, then "3回 30点" and "最高 45秒" ("最高 -" without a
// best time); "−" alone for a level never run. Counts too wide for a level's
// column (100 runs or 1000 points and more) go on two lines: "141回", "2100点".
QStringList overviewCellLines(const OverviewCell& cell);

// The overview as CSV lines (a heading line, then one line per pupil: grade,
// name and per level its state, runs, points and best time).
QStringList overviewCsvLines(const ProgramState& s, const ClassOverview& overview);

// The overview as a spreadsheet: the title and the period on top, a heading
// of two rows (each level's number and name over its four columns: クリア,
// 回数, ポイント, 最高(秒)), then one row per pupil; counts and times are
// numbers, a cell without a best time is empty. The headings and the names
// stay in sight while the sheet scrolls.
XlsxSheet overviewSheet(const ProgramState& s, const ClassOverview& overview, const QString& title);

// Sorts the rows by a column: 0 the name column (roster order), k >= 1 the
// k-th level shown. Ascending puts the pupils furthest behind first: not
// cleared before cleared, then fewer points, then a slower best time (none
// counts as slowest), then fewer runs; ties keep roster order.
void sortOverview(ClassOverview* overview, int column, bool ascending);

// The heading of a column: "名前" or the level's number and name on two
// lines ("5\n平野盆地１"), so that a narrow column shows it whole.
QString overviewHeading(const ProgramState& s, const ClassOverview& overview, int column);

// Paper: how many rows fit one page, and one page of rows (first..first+count-1)
// with the headings, painted in `rect` (units of a 96-dpi page).
int overviewRowsPerPage(const QRectF& rect);
void paintOverviewPage(QPainter& p, const QRectF& rect, const ProgramState& s, const ClassOverview& overview,
                       const QString& title, int first, int count);

// The table model of the overview window.
class ClassOverviewModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ClassOverviewModel(QObject* parent = nullptr);
    void setOverview(const ProgramState& s, ClassOverview overview);
    const ClassOverview& overview() const { return overview_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;

private:
    ClassOverview overview_;
    QStringList headings_;
};

} // namespace karuvel
