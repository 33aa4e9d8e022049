#pragma once
// seisekitime1, the pupil's dashboard: one column per level with its criteria,
// the pupil's counts and points, a start button and a results list; the
// display and view options of the lists, the grade and period choosers, and
// the way back to name selection. It lays these out and switches between the
// views; the per-pupil summary panel (PupilTimesPanel.h) and the teacher's
// password panel (PasswordPanel.h) are panels of their own. The rules behind
// it live in LevelRules.h, ResultsLists.h and PupilSummary.h.
#include "dashboard/LevelRules.h"
#include "dashboard/PasswordPanel.h"
#include "dashboard/ClassOverviewPanel.h"
#include "dashboard/PupilTimesPanel.h"
#include "dashboard/StuckPanel.h"
#include "dashboard/ResultsLists.h"
#include "frame/Screen.h"

#include <array>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace karuvel {

class DateWatch;

class PupilSummary;

class seisekitime1 : public Screen {
    Q_OBJECT
public:
    seisekitime1();
    ~seisekitime1() override;

    // The refresh: recount, views, values and which levels may be started.
    void activate() override;

    // Control arrays of the level columns, indexed by level; member 0 is the
    // hidden template.
    std::vector<QLabel*> Label1;        // level number
    std::vector<QLabel*> Label3;        // level name
    std::vector<QPushButton*> Command4; // start button "ｽﾀｰﾄ(&i)"
    std::vector<QPushButton*> Command28;// practice button "練習"
    std::vector<QLabel*> Text1;         // overdo notice "やりすぎ禁止"
    std::vector<QListWidget*> List5;    // results list
    std::vector<QLabel*> Label7;        // criteria line
    std::vector<QLabel*> Label8;        // recent line
    std::vector<QLabel*> Label9;        // heading "今日"
    std::vector<QLabel*> Label10;       // heading "今まで"
    std::vector<QLabel*> Label14;       // today's value
    std::vector<QLabel*> Label15;       // all-time value
    std::vector<QLabel*> LabelClear;    // "クリア" on the column of a cleared level

    // Window-wide controls.
    QLabel* Label11 = nullptr;   // title
    QLabel* Label12 = nullptr;   // grade and name
    QLabel* Label13 = nullptr;   // school and pupil number
    QLabel* Label17 = nullptr;   // minutes since sign-in
    QLabel* Label18 = nullptr;   // today's total
    // Refreshes the dashboard at midnight: its "today" figures are another day's.
    DateWatch* dayWatch = nullptr;
    QLabel* Label5 = nullptr;    // heading of the lists
    QLabel* Label6 = nullptr;    // hint
    QPushButton* Command1 = nullptr;  // "戻る(0)"
    QPushButton* Command8 = nullptr;  // "データ処理" (teachers)
    QScrollBar* HScroll1 = nullptr;
    QWidget* Picture2 = nullptr;      // wait cover
    QWidget* Picture6 = nullptr;      // busy panel
    QProgressBar* ProgressBar1 = nullptr;
    QProgressBar* ProgressBar2 = nullptr;
    std::array<QRadioButton*, 3> Option2{};  // display: 0 time, 1 points, 2 per-pupil times
    std::array<QRadioButton*, 4> Option1{};  // view: members 1..3
    QComboBox* Combo1 = nullptr;  // grade chooser
    QComboBox* Combo2 = nullptr;  // period chooser

    // Per-pupil times: the graph button and the summary panel
    // (PupilTimesPanel.h); the panel's controls by their names on this window.
    QPushButton* Command17 = nullptr;            // "グラフ": opens the summary panel
    PupilTimesPanel* Picture11 = nullptr;        // summary panel
    QPlainTextEdit* SheetText = nullptr;         // the summary sheet drawn on the panel
    QListWidget* List3 = nullptr;                // levels 1..LevelCount, multi-select
    QListWidget* List2 = nullptr;                // pupils "grade /  name/number", multi-select
    std::array<QPushButton*, 2> Command24{};     // 0 "表示", 1 "印刷" (teachers)
    QPushButton* Command25 = nullptr;            // "他の人のデータを見る"
    QPushButton* Command18 = nullptr;            // "戻る" (hides the panel)
    // The progress charts of the pupil on the summary panel, beside it on the
    // left; "グラフ" shows them and the panel's "戻る" hides them.
    ProgressChart* Picture12 = nullptr;

    // The class overview (teachers): its button and panel (ClassOverviewPanel.h).
    QPushButton* Command26 = nullptr;            // "クラス一覧"
    ClassOverviewPanel* OverviewPanel = nullptr;
    // "Who is stuck" (teachers): its button and panel (StuckPanel.h).
    QPushButton* Command27 = nullptr;            // "つまずき一覧"
    StuckPanel* StuckList = nullptr;

    // The teacher's password panel (PasswordPanel.h) and its controls.
    PasswordPanel* Picture7 = nullptr;
    QLineEdit* Text3 = nullptr;                  // password box
    std::array<QPushButton*, 2> Command10{};     // 0 "データ変更", 1 "合格タイムデータ変更"
    QPushButton* Command12 = nullptr;            // "戻る"

    // Where the dashboard stands; one state decides what it takes.
    enum class Phase {
        Unready,        // not refreshed since it was made, or the pupil has left it: no keys
        Refreshing,     // activate() at work, the cover up: no keys, no choices
        Ready,          // keys and choices taken
        BuildingViews,  // the lists of a choice being built: keys taken, choices undone
        Starting,       // a level being started: no keys, no second start
    };
    Phase phase() const { return phase_; }
    // The display shown; the option buttons Option2 only show it. A refresh
    // always ends in the points display.
    enum class Display { Times = 0, Points = 1, PupilTimes = 2 };
    Display display() const { return display_; }

    // Window state.
    int RankKind = kRankAllTime;
    int& ShownPupil;  // whose figures the summary panel shows (kept by the panel)
    int& ShownLevel;  // the level chosen in the panel's level list (kept by the panel)

    // Events.
    void Command4_Click(int level);   // start level
    void Command28_Click(int level);  // practice level
    void Command1_Click();            // back
    void HScroll1_Change();
    void Option2_Click(int member);
    void Option1_Click(int member);
    void Combo1_Click();
    void Combo2_Click(int entry);
    void Command17_Click();           // "グラフ": the summary panel and the charts for the signed-in pupil
    void Command26_Click();           // "クラス一覧": the class overview of the chosen grade
    void Command27_Click();           // "つまずき一覧": who is stuck in the chosen grade
    // A pupil chosen in the overview or the stuck list: that pupil's sheet and charts.
    void openPupilSheet(int pupil);
    void Command8_Click();            // "データ処理": opens the password panel
    // A key from the window's preview; true when it was taken.
    bool handleKey(const QString& text);

    // Shared procedures of the lists.
    // 回数など表示: empties every level's list and resets its headings and scroll target.
    void emptyLists();
    // 成績リスト色表示: clears the selection of every level's list.
    void clearListSelections();
    // 成績リスト色表示単独: clears the selection of one level's list.
    void clearListSelection(int level);

    // The availability rule applied to the start buttons and overdo notices.
    void applyAvailability();
    // Columns placed for FirstVisibleLevel.
    void placeColumns();
    const ColumnGeometry& geometry() const { return geometry_; }
    // The grade filter of the lists (the grade chooser's text).
    QString gradeFilter() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // A screen wider than 4:3: the columns share the width (DashboardColumns.cpp).
    void frameWidthChanged(int width) override;

private:
    void buildWindow();
    // Puts the two panels into the frame and takes the names of their controls.
    void attachPanels();
    void hideCharts();
    // The summary panel for the signed-in pupil, drawn.
    void openSummary();
    void buildColumn(int i);
    void layoutColumn(int i, int left);
    void setColumnDetailsVisible(int i, bool visible);
    void fillValueLines();
    // The wait cover (busy panel) shown and painted; false when the screen was closed meanwhile.
    [[nodiscard]] bool showCover();
    void hideCover();
    [[nodiscard]] bool showBusy(int maximum);
    void advanceBusy();
    void hideBusy();
    void setStartButtonsEnabled(bool enabled);
    void showLists();
    void hideLists();
    void runSelectedView();
    // Start button (practice 0) or practice button (practice 1) of a level.
    void startLevel(int level, int practice);
    void bestTimesView();
    void rankingView();
    void recordsView(RecordView view);
    // The per-pupil times view: roster reload, level list, ShownPupil's runs.
    void perPupilView();
    // The shown pupil's runs in the level columns (after a sheet was drawn).
    void putRunLines(const PupilSummary& summary);
    void putLines(int level, const ListFill& fill);
    // Practice levels (by their names in the state) have no lists or figures.
    bool isPracticeColumn(int level) const;
    void setViewCaptions();
    bool passwordPanelVisible() const;

    QWidget* columnArea_ = nullptr;
    ColumnGeometry geometry_;
    int frameShift_ = 0;  // how far the 1024-wide heading and panels stand right of the frame's edge
    int columns_ = 0;
    Phase phase_ = Phase::Unready;
    Display display_ = Display::Points;
    // The time display's lists (best times, today's runs) rather than the points display's.
    bool timesShown() const { return display_ == Display::Times; }
    // A choice of view, grade or period while the lists are being built:
    // undone and ignored (true), or let through (false).
    bool ignoredWhileBuilding();
    // The display's option buttons set to the display shown.
    void showDisplay();
    // The same for every choice: display, view, grade and period.
    void showChoices();
    int viewMember_ = 1;     // the view option being shown
    // Where each level's list opens once shown, indexed by level.
    struct ListScroll {
        int row = -1;          // the line to bring into view; -1 leaves the list where it is
        bool atBottom = false; // that line at the bottom (newest runs last) or the top
    };
    std::vector<ListScroll> scroll_;
    QString filterInUse_;    // the grade filter of the lists shown
    double lastSignIn_ = -1;
};

// Registers the dashboard with the navigator.
void registerDashboardScreen();

} // namespace karuvel
