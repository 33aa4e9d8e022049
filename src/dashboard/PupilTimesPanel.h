#pragma once
// Picture11, the per-pupil summary panel of the dashboard's "個人ﾀｲﾑ"
// display: the summary sheet of one or more pupils for the chosen levels,
// compared with the school, shown as text or printed one pupil to a sheet of
// paper. The sheet itself is made by PupilSummary.h; the panel chooses whom
// and which levels, and reports the summary it drew so that the dashboard can
// put the shown pupil's runs in its level columns.
#include "dashboard/PeriodBar.h"
#include "dashboard/ProgressChart.h"
#include "dashboard/PupilSummary.h"

#include <QFrame>

#include <array>
#include <functional>
#include <vector>

class QComboBox;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace karuvel {

class PupilSummary;

class PupilTimesPanel : public QFrame {
    Q_OBJECT
public:
    // gradeFilter gives the grade chooser's text: the school figures of the
    // sheet are those of that grade.
    explicit PupilTimesPanel(std::function<QString()> gradeFilter, QWidget* parent = nullptr);

    QPlainTextEdit* SheetText = nullptr;     // the summary sheet drawn on the panel
    QListWidget* List3 = nullptr;            // levels 1..LevelCount, multi-select
    QListWidget* List2 = nullptr;            // pupils "grade /  name/number" (number as item data), multi-select
    std::array<QPushButton*, 2> Command24{}; // 0 "表示", 1 "印刷" (teachers)
    QPushButton* SavePdf = nullptr;          // "PDFに保存" (teachers): the chosen pupils' sheets and charts
    QPushButton* Command25 = nullptr;        // "他の人のデータを見る": shows the pupil list
    QPushButton* Command18 = nullptr;        // "戻る": hides the panel
    QComboBox* CompareWith = nullptr;        // "くらべる相手：塾全体" / "くらべる相手：本人の学年"
    PeriodBar* SheetPeriod = nullptr;        // the days of runs the sheets and charts count

    // The scope the sheets are drawn with: the group and the period chosen.
    SummaryScope scope() const;

    int ShownPupil = 0;  // whose figures the panel shows
    int ShownLevel = 1;  // the level last clicked in the level list

    // Fills the level list with levels 1..levels and the pupil list from the
    // roster (read afresh), and starts from `pupil` and level 1.
    void fill(int levels, int pupil);
    // Shows the panel in front for `pupil` alone with the first two levels
    // chosen; the caller draws it (Command24_Click(0)).
    void showFor(int pupil);
    // True when the teacher has chosen pupils or levels on the open panel.
    bool hasChoice() const;
    // The pupil list shown with `pupil` alone chosen (the levels stay).
    void choosePupil(int pupil);
    // True while a sheet is being drawn or printed (the screen yields meanwhile).
    bool drawing() const { return drawing_; }
    // While true, each drawing of the sheet also works out the shown pupil's
    // charts (chartsDrawn); the dashboard sets it while its chart is shown.
    bool chartsWanted = false;
    // Shows or hides the teachers' buttons ("印刷", "PDFに保存").
    void setTeacherButtonsVisible(bool visible);

    void Command24_Click(int member); // 0 draws the sheet of the chosen pupils, 1 prints it
    void SavePdf_Click();             // "PDFに保存": one page per chosen pupil, to a folder the teacher chooses
    void Command25_Click();           // "他の人のデータを見る": the pupil list replaces the button
    void Command18_Click();           // "戻る": hides the panel
    void List2_Click();               // a pupil (un)chosen: drawn again
    void List3_Click(int row);        // a level (un)chosen: drawn again

    // The pupils chosen in the pupil list, in list order.
    std::vector<int> selectedPupils() const;
    // The levels chosen, or the last level clicked when none is.
    std::vector<int> selectedLevels() const;

signals:
    // A sheet was drawn from `summary`; emitted before Command24_Click returns,
    // while summary is alive.
    void sheetDrawn(const PupilSummary& summary);
    // The charts of every pupil whose sheet was drawn (with chartsWanted), in list order.
    void chartsDrawn(const std::vector<PupilCharts>& charts);
    // The panel was closed with its "戻る".
    void closed();

private:
    void reloadPupilList();

    std::function<QString()> gradeFilter_;
    bool drawing_ = false;
};

} // namespace karuvel
