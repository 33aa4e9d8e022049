#include "dashboard/Dashboard.h"
#include "dashboard/DashboardLayout.h"

#include "dashboard/PasswordPanel.h"
#include "dashboard/PupilSummary.h"
#include "dashboard/PupilTimesPanel.h"
#include "drill/FinishScreen.h"
#include "frame/DateWatch.h"
#include "frame/FileMessages.h"
#include "frame/SetAsideNotice.h"
#include "frame/Layout.h"
#include "frame/Navigator.h"
#include "platform/Platform.h"
#include "records/Recount.h"
#include "records/ResultsFile.h"
#include "roster/Roster.h"
#include "state/ProgramState.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScrollBar>

#include <cmath>

namespace karuvel {

using namespace dashboardui;


seisekitime1::seisekitime1()
    : Screen(QStringLiteral("seisekitime1")),
      // The panels are made first (without a parent: they join the frame in
      // stacking order in buildWindow), since the names below refer into them.
      Picture11(new PupilTimesPanel([this] { return gradeFilter(); })),
      Picture7(new PasswordPanel()),
      ShownPupil(Picture11->ShownPupil),
      ShownLevel(Picture11->ShownLevel)
{
    setWindowTitle(QStringLiteral("velmora"));
    buildWindow();
    setFrameFollowsWidth(true);  // a wide screen shows more level columns
    qApp->installEventFilter(this);
    dayWatch = new DateWatch(this);
    connect(dayWatch, &DateWatch::dayChanged, this, [this] {
        if (isVisible() && phase_ != Phase::Refreshing) activate();
    });
}

seisekitime1::~seisekitime1() { qApp->removeEventFilter(this); }

// ---------------------------------------------------------------------------
// Open: the window, the level columns and the fixed lists.

void seisekitime1::buildWindow()
{
    ProgramState& s = state();
    QWidget* f = frame();

    // The heading strip: who is signed in, the minutes and today's runs, the teacher's and the back button.
    Label11 = named(new QLabel(f), QStringLiteral("Label11"));
    Label12 = named(new QLabel(f), QStringLiteral("Label12"));
    Label13 = named(new QLabel(f), QStringLiteral("Label13"));
    Label17 = named(new QLabel(f), QStringLiteral("Label17"));
    Label18 = named(new QLabel(f), QStringLiteral("Label18"));
    Command8 = named(new QPushButton(QStringLiteral("データ処理"), f), QStringLiteral("Command8"));
    Command8->setToolTip(QStringLiteral("合格タイムや成績のデータを変更します（先生用）"));
    Command8->hide();
    connect(Command8, &QPushButton::clicked, this, [this] { Command8_Click(); });
    Command1 = named(new QPushButton(QStringLiteral("戻る(0)"), f), QStringLiteral("Command1"));
    Command1->setToolTip(QStringLiteral("名前を選ぶ画面にもどります。0を押してもよろしい"));
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });

    // The options strip: display, view, grade and period; the lists' heading.
    auto* displayBox = named(new QFrame(f), QStringLiteral("Frame2"));
    displayBox->setFrameShape(QFrame::StyledPanel);
    const QStringList displayCaptions = {QStringLiteral("ﾀｲﾑ表示"), QStringLiteral("ﾎﾟｲﾝﾄ表示"),
                                         QStringLiteral("個人ﾀｲﾑ")};
    auto* displayGroup = new QButtonGroup(this);
    for (int k = 0; k < 3; ++k) {
        Option2[size_t(k)] = named(new QRadioButton(displayCaptions[k], displayBox), QStringLiteral("Option2"), k);
        displayGroup->addButton(Option2[size_t(k)], k);
        connect(Option2[size_t(k)], &QRadioButton::clicked, this, [this, k] {
            if (!ignoredWhileBuilding()) Option2_Click(k);
        });
    }
    Option2[2]->setToolTip(QStringLiteral("自分のタイムを、塾全体とくらべて見ます"));

    auto* viewBox = named(new QFrame(f), QStringLiteral("Frame1"));
    viewBox->setFrameShape(QFrame::StyledPanel);
    auto* viewGroup = new QButtonGroup(this);
    for (int k = 1; k <= 3; ++k) {
        Option1[size_t(k)] = named(new QRadioButton(viewBox), QStringLiteral("Option1"), k);
        viewGroup->addButton(Option1[size_t(k)], k);
        connect(Option1[size_t(k)], &QRadioButton::clicked, this, [this, k] {
            if (!ignoredWhileBuilding()) Option1_Click(k);
        });
    }

    Combo1 = named(new QComboBox(f), QStringLiteral("Combo1"));
    Combo1->addItems(gradeFilters());
    Combo1->setToolTip(QStringLiteral("表示する学年を選びます"));
    connect(Combo1, QOverload<int>::of(&QComboBox::activated), this, [this](int) {
        if (!ignoredWhileBuilding()) Combo1_Click();
    });

    Combo2 = named(new QComboBox(f), QStringLiteral("Combo2"));
    Combo2->addItems(periodChoices());
    Combo2->setCurrentIndex(std::clamp(s.ResultsPeriod, 1, 5) - 1);
    Combo2->hide();
    connect(Combo2, QOverload<int>::of(&QComboBox::activated), this, [this](int entry) {
        if (!ignoredWhileBuilding()) Combo2_Click(entry);
    });

    Label5 = named(new QLabel(f), QStringLiteral("Label5"));
    Command17 = named(new QPushButton(QStringLiteral("グラフ"), f), QStringLiteral("Command17"));
    Command17->setToolTip(QStringLiteral("自分のタイムとポイントを、塾全体とくらべて見ます"));
    Command17->hide();
    connect(Command17, &QPushButton::clicked, this, [this] { Command17_Click(); });
    Command26 = named(new QPushButton(QStringLiteral("クラス一覧"), f), QStringLiteral("Command26"));
    Command26->setToolTip(QStringLiteral("選んだ学年の全員の、レベルごとのクリアと成績を一覧にします（先生用）"));
    Command26->hide();
    connect(Command26, &QPushButton::clicked, this, [this] { Command26_Click(); });
    Command27 = named(new QPushButton(QStringLiteral("つまずき一覧"), f), QStringLiteral("Command27"));
    Command27->setToolTip(QStringLiteral("選んだ学年で、しばらく来ていない人・クリアできない人・のびていない人を順に並べます（先生用）"));
    Command27->hide();
    connect(Command27, &QPushButton::clicked, this, [this] { Command27_Click(); });
    Label6 = named(new QLabel(QStringLiteral("GRPH+A,B,C,D..でも選択できます。"), f), QStringLiteral("Label6"));
    Label6->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layOut(f, kHeadingLayout);

    // The level columns: n columns side by side, four in view with a scroll bar.
    const int n = std::clamp(s.LevelCount, 0, kMaxLevel);
    geometry_ = columnGeometry(n);
    columns_ = n;
    scroll_.assign(size_t(n) + 1, {});
    columnArea_ = named(new QWidget(f), QStringLiteral("ColumnArea"));
    // Four columns in view: the fifth one starts just beyond the area and is clipped.
    const int visibleWidth = std::min(kFrameWidth, px(geometry_.firstLeft + 4 * geometry_.width) - 1);
    columnArea_->setGeometry(0, kColumnsTop, n < 5 ? kFrameWidth : visibleWidth, kColumnsHeight);
    for (int i = 0; i <= n; ++i) buildColumn(i);

    HScroll1 = named(new QScrollBar(Qt::Horizontal, f), QStringLiteral("HScroll1"));
    HScroll1->setRange(1, geometry_.scrollMax);
    HScroll1->setPageStep(1);
    HScroll1->setVisible(geometry_.scrollBarShown);
    connect(HScroll1, &QScrollBar::valueChanged, this, [this](int) { HScroll1_Change(); });

    // The busy panel, directly above the scroll bar.
    Picture6 = named(new QFrame(f), QStringLiteral("Picture6"));
    Picture6->setAutoFillBackground(true);
    {
        QPalette p = Picture6->palette();
        p.setColor(QPalette::Window, QColor(255, 255, 210));
        Picture6->setPalette(p);
    }
    auto* busyText = named(new QLabel(QStringLiteral("しばらくお待ちください。"), Picture6), QStringLiteral("Label16"));
    busyText->setAlignment(Qt::AlignCenter);
    ProgressBar2 = named(new QProgressBar(Picture6), QStringLiteral("ProgressBar2"));
    ProgressBar2->setTextVisible(false);
    ProgressBar1 = named(new QProgressBar(Picture6), QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    Picture6->hide();
    layOut(f, kBusyLayout);

    attachPanels();

    // The wait cover over the whole window.
    Picture2 = named(new QWidget(f), QStringLiteral("Picture2"));
    Picture2->setAutoFillBackground(true);
    auto* coverText = named(new QLabel(QStringLiteral("しばらくお待ちください。"), Picture2), QStringLiteral("Label19"));
    coverText->setAlignment(Qt::AlignCenter);
    Picture2->hide();
    layOut(f, kCoverLayout);

    setViewCaptions();
    Option2[1]->setChecked(true);
    Option1[1]->setChecked(true);
}

void seisekitime1::attachPanels()
{
    QWidget* f = frame();
    // The summary panel, over the right-hand columns above the scroll bar.
    Picture11->setParent(f);
    SheetText = Picture11->SheetText;
    List3 = Picture11->List3;
    List2 = Picture11->List2;
    Command24 = Picture11->Command24;
    Command25 = Picture11->Command25;
    Command18 = Picture11->Command18;
    connect(Picture11, &PupilTimesPanel::sheetDrawn, this, [this](const PupilSummary& summary) {
        // The level lists show the runs of the pupil on the panel.
        if (display_ == Display::PupilTimes) {
            putRunLines(summary);
            showLists();
        }
    });
    // The charts, left of the summary panel over the first columns.
    Picture12 = named(new ProgressChart(f), QStringLiteral("Picture12"));
    Picture12->setGeometry(4, 136, 398, 596);
    Picture12->hide();
    connect(Picture11, &PupilTimesPanel::chartsDrawn, this, [this](const std::vector<PupilCharts>& charts) {
        Picture12->setPages(charts);
    });
    connect(Picture11, &PupilTimesPanel::closed, this, [this] { hideCharts(); });

    // The class overview over the level columns.
    OverviewPanel = new ClassOverviewPanel([this] { return gradeFilter(); }, f);
    connect(OverviewPanel, &ClassOverviewPanel::pupilChosen, this, [this](int pupil) { openPupilSheet(pupil); });
    StuckList = new StuckPanel([this] { return gradeFilter(); }, f);
    connect(StuckList, &StuckPanel::pupilChosen, this, [this](int pupil) { openPupilSheet(pupil); });

    Picture7->setParent(f);
    Text3 = Picture7->Text3;
    Command10 = Picture7->Command10;
    Command12 = Picture7->Command12;
    connect(Picture7, &PasswordPanel::teacherWindowShown, this, [this] {
        // The dashboard is unloaded; the teacher window shows it anew when it closes.
        hide();
        screens::close(ScreenId::Dashboard);
    });
}

// ---------------------------------------------------------------------------
// Activate: the refresh.

void seisekitime1::activate()
{
    if (phase_ == Phase::Refreshing) return;
    // Keys off and choices undone until the refresh is done; a refresh cut
    // short (the screen closed meanwhile) leaves the dashboard unready.
    phase_ = Phase::Refreshing;
    const auto done = qScopeGuard([this] {
        if (phase_ == Phase::Refreshing) phase_ = Phase::Unready;
    });
    ProgramState& s = state();
    // The season's colour; a light green until the start-up has chosen one.
    const QColor background = s.BackgroundColour.isEmpty() ? QColor(192, 255, 192)
                                                           : rgbColour(s.BackgroundColour.toLong());
    setBackground(background);
    {
        QPalette p = Picture2->palette();
        p.setColor(QPalette::Window, background);
        Picture2->setPalette(p);
    }
    // A new sign-in: the grade chooser starts from the grade chosen at name selection.
    if (s.SignInTime.toNumber() != lastSignIn_) {
        lastSignIn_ = s.SignInTime.toNumber();
        const int at = Combo1->findText(s.GradeFilter.toText());
        Combo1->setCurrentIndex(at >= 0 ? at : 0);
    }

    // 1. Teacher test.
    const bool teacher = isTeacherName(s.CurrentPupilName);
    Command8->setVisible(teacher);
    Picture11->setTeacherButtonsVisible(teacher);
    Command26->setVisible(teacher);
    Command27->setVisible(teacher);
    if (!teacher) {
        OverviewPanel->hide();
        StuckList->hide();
    }
    // A password panel left open (the teacher went back to name selection)
    // is closed and emptied: the next pupil never finds it.
    Picture7->closeAndClear();
    // 2. Minutes since sign-in.
    Label17->setText(signedInForText(secondsSinceSignIn(s, clock().monotonicSeconds(), clock().secondsSinceMidnight())));
    // 3. Wait cover up (keys are off while refreshing).
    if (!showCover()) return;
    // 4. Ranking captions: the refresh always ends in the points display.
    display_ = Display::Points;
    setViewCaptions();
    // 5. Name selection unloaded, counters recomputed.
    screens::close(ScreenId::NameSelection);
    dayWatch->restart();
    if (ResultsError e = RecountAll(); !e.ok()) stopOnResults(e);
    tellSetAsideJournals();
    // An open class overview shows the counts just made.
    OverviewPanel->refresh();
    StuckList->refresh();
    // 6. Today's total.
    int total = 0;
    if (validPupil(s.CurrentPupil)) {
        for (int level = 1; level <= kMaxLevel; ++level) total += int(s.TodayCount(level, s.CurrentPupil));
    }
    s.TodayTotalRuns = int16_t(total);
    Label18->setText(QStringLiteral("本日総回数＝") + QString::number(s.TodayTotalRuns) + QStringLiteral("回"));
    // 7. Points display with the all-time ranking.
    Option1[1]->setChecked(true);
    Option1_Click(1);
    Option2_Click(1);
    Command1->setEnabled(true);
    // 8. Practice levels get fixed times; every other level shows its list.
    for (int i = 1; i <= columns_; ++i) {
        if (isPracticeColumn(i)) {
            s.TargetTime[i] = 600;
            s.LimitTime[i] = 600;
        } else {
            List5[size_t(i)]->show();
        }
    }
    showLists();
    // 9. Busy panel away; who is signed in.
    hideBusy();
    Label12->setText(s.CurrentPupilGrade.toText() + QStringLiteral(" ") + s.CurrentPupilName.trimmed());
    Label13->setText(s.SchoolName + QStringLiteral(":") + QString::number(s.CurrentPupil));
    Label11->setText(s.ProgramTitle);
    Label11->setFont(sized(Label11->font(), s.ProgramTitle.size() > 9 ? 20 : 24, true));
    // 10. Columns placed.
    placeColumns();
    // 11. Values of every column.
    fillValueLines();
    // 12. Which levels may be started.
    setStartButtonsEnabled(false);
    applyAvailability();
    // 13. Ready.
    hideCover();
    ProgressBar1->hide();
    phase_ = Phase::Ready;
}

void seisekitime1::fillValueLines()
{
    ProgramState& s = state();
    const int pupil = validPupil(s.CurrentPupil) ? s.CurrentPupil : 0;
    for (int i = 1; i <= columns_; ++i) {
        const size_t k = size_t(i);
        // The criteria and the recent figures change with every run and sign-in.
        Label7[k]->setText(criteriaLine(s, i));
        Label8[k]->setText(recentLine(s, i, pupil));
        if (isPracticeColumn(i)) {
            setColumnDetailsVisible(i, false);
        } else {
            Label9[k]->show();
            Label10[k]->show();
            Label14[k]->show();
            Label15[k]->show();
            Label7[k]->show();
            Label8[k]->setVisible(s.LevelTimed[i] == 1);
        }
        Command4[k]->setEnabled(true);
        Label15[k]->setText(totalValue(s, i, pupil));
        Label14[k]->setText(todayValue(s, i, pupil));
    }
}

void seisekitime1::applyAvailability()
{
    ProgramState& s = state();
    const LevelAvailability a = levelAvailability(s, s.CurrentPupil, s.CurrentPupilName);
    s.FinalLevelCleared = Loose(a.finalLevelCleared ? 1 : 0);
    for (int i = 1; i <= columns_; ++i) {
        Command4[size_t(i)]->setEnabled(a.enabled[size_t(i)]);
        Text1[size_t(i)]->setVisible(a.overdo[size_t(i)]);
        // Cleared by the rule of the finish screen's "このレベルクリア"; practice levels are never recorded.
        LabelClear[size_t(i)]->setVisible(!isPracticeColumn(i) && levelCleared(s, i, s.CurrentPupil));
        if (a.overdo[size_t(i)]) {
            Text1[size_t(i)]->raise();
            Command28[size_t(i)]->raise();
        }
    }
    Picture6->raise();
}

void seisekitime1::placeColumns()
{
    ProgramState& s = state();
    s.FirstVisibleLevel = correctedFirstVisible(s.FirstVisibleLevel, geometry_);
    {
        const QSignalBlocker block(HScroll1);
        HScroll1->setValue(s.FirstVisibleLevel);
    }
    for (int i = 1; i <= columns_; ++i)
        layoutColumn(i, px(columnLeft(geometry_, i, s.FirstVisibleLevel)));
}

// ---------------------------------------------------------------------------
// Starting a level, practice, back, scrolling, keys.

void seisekitime1::Command4_Click(int level)
{
    if (passwordPanelVisible()) return;
    if (level < 1 || level > columns_ || !Command4[size_t(level)]->isEnabled()) return;
    startLevel(level, 0);
}

void seisekitime1::Command28_Click(int level)
{
    if (passwordPanelVisible()) return;
    if (level < 1 || level > columns_ || !Command28[size_t(level)]->isVisible()) return;
    startLevel(level, 1);
}

void seisekitime1::startLevel(int level, int practice)
{
    // One start at a time: painting the wait cover lets queued keys and
    // presses through, and none of them may open a second drill. The keys
    // stay off until the next refresh (the dashboard shown again).
    if (phase_ == Phase::Starting) return;
    phase_ = Phase::Starting;
    const auto done = qScopeGuard([this] {
        if (phase_ == Phase::Starting) phase_ = Phase::Unready;
    });
    ProgramState& s = state();
    if (!showCover()) return;
    s.SelectedLevel = level;
    s.PracticeMode = Loose(practice);
    StartRun();
    if (QWidget* drill = screens::find(ScreenId::Drill); drill && drill->isVisible()) hide();
}

void seisekitime1::Command1_Click()
{
    if (!Command1->isEnabled()) return;
    phase_ = Phase::Unready;  // until the next refresh
    if (!showCover()) return;
    // The dashboard stays loaded; its next refresh unloads name selection again.
    if (screens::show(ScreenId::NameSelection)) hide();
}

void seisekitime1::HScroll1_Change()
{
    ProgramState& s = state();
    s.FirstVisibleLevel = firstVisibleFromScroll(HScroll1->value(), columns_);
    for (int i = 1; i <= columns_; ++i)
        layoutColumn(i, px(columnLeft(geometry_, i, s.FirstVisibleLevel)));
}

bool seisekitime1::passwordPanelVisible() const { return Picture7->isVisible(); }

bool seisekitime1::isPracticeColumn(int level) const { return isPracticeLevelName(state().LevelNames[level]); }

bool seisekitime1::handleKey(const QString& text)
{
    // While the password panel shows, keys go to the password box.
    if ((phase_ != Phase::Ready && phase_ != Phase::BuildingViews) || passwordPanelVisible()) return false;
    const int target = shortcutTarget(text, columns_);
    if (target == kKeyNone) return false;
    if (target == kKeyBack) {
        if (Command1->isEnabled()) Command1_Click();
        return true;
    }
    Command4_Click(target);
    return true;
}

bool seisekitime1::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && isVisible()) {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && w->window() == this) {
            auto* key = static_cast<QKeyEvent*>(event);
            // Enter presses the focused button, as Space does.
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
                if (auto* b = qobject_cast<QPushButton*>(focusWidget()); b && b->isVisible() && b->isEnabled()) {
                    b->click();
                    return true;
                }
            if (key->modifiers() & (Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier)) return false;
            return handleKey(key->text());
        }
    }
    return Screen::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Display and view options.

void seisekitime1::setViewCaptions()
{
    if (timesShown()) {
        Option1[1]->setText(QStringLiteral("BEST表示"));
        Option1[2]->setText(QStringLiteral("本日のみ"));
        Option1[3]->setText(QStringLiteral("オール表示"));
    } else {
        Option1[1]->setText(QStringLiteral("累計順"));
        Option1[2]->setText(QStringLiteral("本日順"));
        Option1[3]->setText(QStringLiteral("すべて"));
    }
}

bool seisekitime1::ignoredWhileBuilding()
{
    if (phase_ != Phase::BuildingViews && phase_ != Phase::Refreshing && !Picture11->drawing()) return false;
    // The lists are being built (the screen yields while it works): a choice
    // made now is undone, so that the options always name what is shown.
    showChoices();
    return true;
}

void seisekitime1::showDisplay()
{
    for (int k = 0; k < 3; ++k) {
        const QSignalBlocker block(Option2[size_t(k)]);
        Option2[size_t(k)]->setChecked(k == int(display_));
    }
}

void seisekitime1::showChoices()
{
    showDisplay();
    if (viewMember_ >= 1 && viewMember_ <= 3) {
        const QSignalBlocker block(Option1[size_t(viewMember_)]);
        Option1[size_t(viewMember_)]->setChecked(true);
    }
    {
        const QSignalBlocker block(Combo1);
        const int at = Combo1->findText(filterInUse_);
        if (at >= 0) Combo1->setCurrentIndex(at);
    }
    {
        const QSignalBlocker block(Combo2);
        Combo2->setCurrentIndex(std::clamp(state().ResultsPeriod, 1, 5) - 1);
    }
}

namespace {

// A choice's lists being built: BuildingViews from Ready (or Unready), and
// back once built, unless the dashboard has moved on meanwhile (a refresh, a
// level started). A build within a refresh leaves the refresh in charge.
class Building {
public:
    using Phase = seisekitime1::Phase;
    explicit Building(Phase& phase)
        : phase_(phase), was_(phase), set_(phase == Phase::Ready || phase == Phase::Unready)
    {
        if (set_) phase_ = Phase::BuildingViews;
    }
    ~Building()
    {
        if (set_ && phase_ == Phase::BuildingViews) phase_ = was_;
    }
    Building(const Building&) = delete;
    Building& operator=(const Building&) = delete;

private:
    Phase& phase_;
    const Phase was_;
    const bool set_;
};

} // namespace

void seisekitime1::Option2_Click(int member)
{
    const screens::Handling running(this);
    const Building building(phase_);
    const bool refreshing = phase_ == Phase::Refreshing;
    // What is being shown is settled before the screen yields.
    display_ = Display(std::clamp(member, 0, 2));
    showDisplay();
    filterInUse_ = Combo1->currentText();
    Command17->hide();
    Picture11->hide();
    hideCharts();
    Command1->setEnabled(false);
    setStartButtonsEnabled(false);
    hideLists();
    if (!showBusy(std::max(1, columns_))) return;
    // The view options belong to the time and points displays, and so does
    // the period chooser: a period chosen under the per-pupil heading would
    // put the school's runs beside the pupil's sheet.
    for (int k = 1; k <= 3; ++k) Option1[size_t(k)]->setEnabled(display_ != Display::PupilTimes);
    if (display_ == Display::PupilTimes) Combo2->hide();
    // The refresh builds the lists of its display itself.
    if (refreshing) return;
    if (display_ == Display::PupilTimes) {
        // The back and start buttons stay off in this display: the pupil
        // looks at the figures and chooses another display to go on.
        perPupilView();
        return;
    }
    setViewCaptions();
    runSelectedView();
}

void seisekitime1::runSelectedView()
{
    for (int k = 1; k <= 3; ++k) {
        if (Option1[size_t(k)]->isChecked()) {
            Option1_Click(k);
            return;
        }
    }
    Option1[1]->setChecked(true);
    Option1_Click(1);
}

void seisekitime1::Option1_Click(int member)
{
    const screens::Handling running(this);
    const Building building(phase_);
    viewMember_ = member;
    filterInUse_ = Combo1->currentText();
    Command1->setEnabled(false);
    setStartButtonsEnabled(false);
    hideLists();
    if (!showBusy(std::max(1, columns_))) return;
    Combo2->hide();
    if (member == 3) {
        recordsView(RecordView::Period);
    } else if (timesShown()) {
        if (member == 1)
            bestTimesView();
        else
            recordsView(RecordView::Today);
    } else {
        RankKind = member == 2 ? kRankToday : kRankAllTime;
        rankingView();
    }
    if (!screens::isOpen(this)) return;
    Command1->setEnabled(true);
    applyAvailability();
    showLists();
    hideBusy();
}

void seisekitime1::Combo1_Click()
{
    if (display_ != Display::PupilTimes) Option2_Click(int(display_));
    // Per-pupil times: the school's figures of the summary follow the grade.
    if (display_ == Display::PupilTimes && Picture11->isVisible()) Picture11->Command24_Click(0);
    OverviewPanel->refresh();
    StuckList->refresh();
    if (columns_ >= 1) Command4[1]->setFocus();
}

void seisekitime1::Combo2_Click(int entry)
{
    if (display_ == Display::PupilTimes) {
        // No period in the per-pupil display: the chooser keeps the period in use.
        const QSignalBlocker block(Combo2);
        Combo2->setCurrentIndex(std::clamp(state().ResultsPeriod, 1, 5) - 1);
        return;
    }
    state().ResultsPeriod = std::clamp(entry, 0, 4) + 1;
    Option1[3]->setChecked(true);
    Option1_Click(3);
}

QString seisekitime1::gradeFilter() const { return Combo1->currentText(); }

// ---------------------------------------------------------------------------
// Covers, busy panel and lists.

bool seisekitime1::showCover()
{
    Picture2->setGeometry(0, 0, kFrameWidth, kFrameHeight);
    Picture2->show();
    Picture2->raise();
    return screens::yieldFor(this);
}

void seisekitime1::hideCover() { Picture2->hide(); }

bool seisekitime1::showBusy(int maximum)
{
    ProgressBar1->setRange(0, maximum);
    ProgressBar2->setRange(0, maximum);
    ProgressBar1->setValue(0);
    ProgressBar2->setValue(0);
    ProgressBar1->show();
    Picture6->show();
    Picture6->raise();
    if (Picture2->isVisible()) Picture2->raise();
    return screens::yieldFor(this);
}

void seisekitime1::advanceBusy()
{
    ProgressBar1->setValue(std::min(ProgressBar1->maximum(), ProgressBar1->value() + 1));
    ProgressBar2->setValue(std::min(ProgressBar2->maximum(), ProgressBar2->value() + 1));
}

void seisekitime1::hideBusy() { Picture6->hide(); }

void seisekitime1::setStartButtonsEnabled(bool enabled)
{
    for (int i = 1; i <= columns_; ++i) Command4[size_t(i)]->setEnabled(enabled);
}

void seisekitime1::hideLists()
{
    for (int i = 1; i <= columns_; ++i) List5[size_t(i)]->hide();
}

void seisekitime1::showLists()
{
    for (int i = 1; i <= columns_; ++i) {
        QListWidget* list = List5[size_t(i)];
        if (isPracticeColumn(i)) {
            list->hide();
            continue;
        }
        list->show();
        const ListScroll& to = scroll_[size_t(i)];
        if (to.row >= 0 && to.row < list->count()) {
            list->scrollToItem(list->item(to.row),
                               to.atBottom ? QAbstractItemView::PositionAtBottom : QAbstractItemView::PositionAtTop);
            list->clearSelection();
            list->setCurrentRow(-1, QItemSelectionModel::Clear);
        }
    }
}

// ---------------------------------------------------------------------------
// The teacher's password panel.

void seisekitime1::Command8_Click()
{
    if (!Command8->isVisible()) return;
    Picture7->open();
}

void registerDashboardScreen()
{
    screens::registerFactory(ScreenId::Dashboard, [] { return new seisekitime1(); });
}

} // namespace karuvel
