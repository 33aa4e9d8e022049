// The dashboard window on a small school: refresh, keys, options, choosers,
// scrolling, starting a level and going back.
#include "Clicks.h"
#include "Fakes.h"
#include "Runs.h"
#include "TempDir.h"
#include "dashboard/Dashboard.h"
#include "platform/Calendar.h"
#include "frame/Catalogue.h"
#include "frame/DateWatch.h"
#include "frame/Navigator.h"
#include "platform/FilePaths.h"
#include "platform/RecordFile.h"
#include "records/FinishRules.h"

#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSet>
#include <QApplication>
#include <QKeySequence>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using namespace karuvel;

namespace {

class DashboardWindow : public ::testing::Test {
protected:
    test::FakePlatform fakes;
    test::TempDir dir;
    ProgramState& s = state();
    std::unique_ptr<seisekitime1> w;
    double today = 0;

    void SetUp() override
    {
        s.DataFolder = Loose(dir.path());
        s.SchoolName = QStringLiteral("みどり塾");
        s.BackgroundColour = Loose(0xC0FFC0);
        SetProgramIdentity();
        applyLevelCatalogue();
        test::setLevelCriteria(12, {});
        s.SchoolYear = Loose(2026);
        const int births[] = {0, 2015, 2012, 2017};
        const char* names[] = {"", "青木", "上田", "小川"};
        for (int p = 1; p <= 3; ++p) {
            s.RosterOrder[size_t(p)] = p;
            s.PupilBirthYears[size_t(p)] = births[p];
            s.PupilNames[size_t(p)] = QString::fromUtf8(names[p]).leftJustified(20, QLatin1Char(' '));
        }
        s.RosterCount = Loose(3);
        signIn(3, QStringLiteral("小３"));
        today = toOleDate(fakes.clock.now().date());
    }

    void signIn(int pupil, const QString& grade)
    {
        s.CurrentPupil = pupil;
        s.CurrentPupilName = s.PupilNames[size_t(pupil)];
        s.CurrentPupilGrade = Loose(grade);
        s.SignInTime = Loose(fakes.clock.secondsSinceMidnight() - 300);
    }

    void writeRuns(const std::vector<std::tuple<double, int, int, int>>& runs)  // date, pupil, level, time
    {
        dir.writeBytes(QStringLiteral("成績累積データ.dat"), test::runsBytes(runs));
    }

    seisekitime1& open()
    {
        w = std::make_unique<seisekitime1>();
        w->resize(kFrameWidth, kFrameHeight);
        w->show();
        w->activate();
        return *w;
    }

    static QStringList lines(QListWidget* list) { return test::listLines(list); }
};

} // namespace

TEST_F(DashboardWindow, BuildsTwelveColumnsWithTemplatesAndCaptions)
{
    writeRuns({});
    seisekitime1& d = open();
    EXPECT_EQ(d.windowTitle(), QStringLiteral("velmora"));
    EXPECT_EQ(d.objectName(), QStringLiteral("seisekitime1"));
    ASSERT_EQ(d.Command4.size(), 13u);
    EXPECT_FALSE(d.Command4[0]->isVisible());  // the template stays hidden
    EXPECT_FALSE(d.List5[0]->isVisible());
    EXPECT_EQ(d.Command4[1]->text(), QStringLiteral("ｽﾀｰﾄ(&1)"));
    EXPECT_EQ(d.Command4[9]->text(), QStringLiteral("ｽﾀｰﾄ(&9)"));
    EXPECT_EQ(d.Command4[10]->text(), QStringLiteral("ｽﾀｰﾄ(&A)"));
    EXPECT_EQ(d.Command4[12]->text(), QStringLiteral("ｽﾀｰﾄ(&C)"));
    EXPECT_EQ(d.Label3[5]->text(), QStringLiteral("平野盆地１"));
    EXPECT_EQ(d.Label3[5]->toolTip(), QStringLiteral("平野盆地１"));
    EXPECT_TRUE(d.Command28[3]->isVisibleTo(&d));
    EXPECT_FALSE(d.Command28[4]->isVisibleTo(&d));
    EXPECT_EQ(d.Command28[3]->text(), QStringLiteral("練習"));
    EXPECT_EQ(d.Label7[1]->text(), QStringLiteral("目標=60秒 3回/30点(×1)"));
    EXPECT_EQ(d.findChildren<QListWidget*>(QStringLiteral("List5")).size(), 13);
    EXPECT_TRUE(d.HScroll1->isVisibleTo(&d));
    EXPECT_EQ(d.HScroll1->minimum(), 1);
    EXPECT_EQ(d.HScroll1->maximum(), 9);
    EXPECT_EQ(d.Combo1->count(), 12);
    EXPECT_EQ(d.Combo2->count(), 5);
    EXPECT_EQ(d.Combo2->currentText(), QStringLiteral("　　１ヶ月間の全成績"));
    EXPECT_EQ(d.Command1->text(), QStringLiteral("戻る(0)"));
}

// The key hint is read whole in the program's own font (the start sets it):
// a box too narrow cut "GRPH" off its front.
TEST_F(DashboardWindow, TheKeyHintIsReadWhole)
{
    const QFont before = QApplication::font();
    QApplication::setFont(QFont(QStringLiteral("IPAGothic"), 12));
    const auto restore = qScopeGuard([&] { QApplication::setFont(before); });
    writeRuns({});
    seisekitime1& d = open();
    ASSERT_TRUE(d.Label6->text().startsWith(QStringLiteral("GRPH+")));
    EXPECT_LE(d.Label6->fontMetrics().horizontalAdvance(d.Label6->text()), d.Label6->contentsRect().width())
        << d.Label6->font().family().toStdString();
}

TEST_F(DashboardWindow, RefreshShowsCountsRankingsAndLeavesTheCoverDown)
{
    writeRuns({{today, 3, 1, 45}, {today, 3, 1, 50}, {today - 3, 3, 2, 60}, {today, 1, 1, 30}, {today, 2, 1, 99999}});
    seisekitime1& d = open();
    EXPECT_EQ(d.phase(), seisekitime1::Phase::Ready);
    EXPECT_FALSE(d.Picture2->isVisible());
    EXPECT_FALSE(d.Picture6->isVisible());
    EXPECT_EQ(d.Label12->text(), QStringLiteral("小３ 小川"));
    EXPECT_EQ(d.Label13->text(), QStringLiteral("みどり塾:3"));
    EXPECT_EQ(d.Label11->text(), QStringLiteral("Karuvel"));
    EXPECT_EQ(d.Label17->text(), QStringLiteral("起動後5分"));
    EXPECT_EQ(d.Label18->text(), QStringLiteral("本日総回数＝2回"));
    EXPECT_EQ(s.TodayTotalRuns, 2);
    // 45 s: 5 points, 50 s: 5 points; 60 s three days ago: 5 points.
    EXPECT_EQ(d.Label14[1]->text(), QStringLiteral("2回/10点"));
    EXPECT_EQ(d.Label15[1]->text(), QStringLiteral("2回/10点"));
    EXPECT_EQ(d.Label14[2]->text(), QStringLiteral("-----"));
    EXPECT_EQ(d.Label15[2]->text(), QStringLiteral("1回/5点"));
    EXPECT_EQ(d.Label15[3]->text(), QStringLiteral("------"));
    EXPECT_EQ(d.Label8[1]->text(), QStringLiteral("最近7日=2回 / 10点"));

    // The points display with the all-time ranking.
    EXPECT_TRUE(d.Option2[1]->isChecked());
    EXPECT_TRUE(d.Option1[1]->isChecked());
    EXPECT_EQ(d.Option1[1]->text(), QStringLiteral("累計順"));
    EXPECT_EQ(d.Option1[2]->text(), QStringLiteral("本日順"));
    EXPECT_EQ(d.Label5->text(), QStringLiteral("獲得ポイント（今まで順位）"));
    const QStringList level1 = lines(d.List5[1]);
    ASSERT_EQ(level1.size(), 3);
    EXPECT_EQ(level1[0], QStringLiteral(" 1⑤青木　　　 11/   11"));  // 30 s: 5 + (30/60)^3 x 50
    EXPECT_EQ(level1[1], QStringLiteral(" 2●小川　　　 10/   10"));
    EXPECT_EQ(level1[2], QStringLiteral(" 3Ⅱ上田　　　  0/    0"));
    EXPECT_TRUE(d.List5[1]->selectedItems().isEmpty());
    for (int i = 1; i <= 12; ++i) EXPECT_TRUE(d.Command4[size_t(i)]->isEnabled()) << i;
    EXPECT_FALSE(d.Command8->isVisible());  // not a teacher
}

TEST_F(DashboardWindow, KeysStartLevelsOnlyWhileReady)
{
    writeRuns({});
    // Not refreshed yet: no key starts a level.
    w = std::make_unique<seisekitime1>();
    EXPECT_EQ(w->phase(), seisekitime1::Phase::Unready);
    EXPECT_FALSE(w->handleKey(QStringLiteral("2")));
    EXPECT_EQ(s.SelectedLevel, 0);

    seisekitime1& d = open();
    QTest::keyClick(d.Combo1, Qt::Key_B, Qt::NoModifier);  // "b": level 11, through the window's key preview
    EXPECT_EQ(s.SelectedLevel, 11);
    EXPECT_EQ(s.PracticeMode.toInt(), 0);
    EXPECT_EQ(d.phase(), seisekitime1::Phase::Unready);
    EXPECT_TRUE(d.Picture2->isVisible());  // the wait cover while the drill opens

    // A second key while the drill opens is ignored.
    EXPECT_FALSE(d.handleKey(QStringLiteral("3")));
    EXPECT_EQ(s.SelectedLevel, 11);

    d.activate();
    EXPECT_FALSE(d.handleKey(QStringLiteral("d")));  // level 13 does not exist
    EXPECT_TRUE(d.handleKey(QStringLiteral("4")));
    EXPECT_EQ(s.SelectedLevel, 4);

    d.activate();
    d.Command28_Click(5);
    EXPECT_EQ(s.SelectedLevel, 5);
    EXPECT_EQ(s.PracticeMode.toInt(), 1);
}

TEST_F(DashboardWindow, OverdoneLevelShowsTheNoticeAndIgnoresItsKey)
{
    s.OverdoCountLimit[2] = Loose(2);
    writeRuns({{today, 3, 2, 40}, {today, 3, 2, 41}});
    seisekitime1& d = open();
    EXPECT_TRUE(d.Text1[2]->isVisible());
    EXPECT_EQ(d.Text1[2]->text(), QStringLiteral("やりすぎ禁止"));
    EXPECT_FALSE(d.Command4[2]->isEnabled());
    EXPECT_FALSE(d.Text1[1]->isVisible());
    EXPECT_EQ(s.FinalLevelCleared.toInt(), 0);
    EXPECT_TRUE(d.handleKey(QStringLiteral("2")));
    EXPECT_EQ(s.SelectedLevel, 0);
    EXPECT_EQ(d.phase(), seisekitime1::Phase::Ready);
}

TEST_F(DashboardWindow, TeacherSeesDataButtonAndPrint)
{
    s.PupilNames[2] = QStringLiteral("上田先生").leftJustified(20, QLatin1Char(' '));
    signIn(2, QString());
    writeRuns({});
    seisekitime1& d = open();
    EXPECT_TRUE(d.Command8->isVisible());
    EXPECT_TRUE(d.Command8->isEnabled());
    EXPECT_TRUE(d.Command24[1]->isVisibleTo(d.Picture11));
    EXPECT_TRUE(d.Option2[2]->isEnabled());

    // A pupil after the teacher, on the same window: neither shows.
    signIn(3, QStringLiteral("小３"));
    d.activate();
    EXPECT_FALSE(d.Command8->isVisible());
    EXPECT_FALSE(d.Command24[1]->isVisibleTo(d.Picture11));
}

TEST_F(DashboardWindow, GradeChooserStartsFromNameSelectionAndFiltersEveryList)
{
    s.GradeFilter = Loose(QStringLiteral("小学生全体"));
    writeRuns({{today, 1, 1, 30}, {today, 2, 1, 40}, {today, 3, 1, 50}});
    seisekitime1& d = open();
    EXPECT_EQ(d.Combo1->currentText(), QStringLiteral("小学生全体"));
    EXPECT_EQ(lines(d.List5[1]).size(), 2);

    d.Combo1->setCurrentIndex(d.Combo1->findText(QStringLiteral("中学生全体")));
    d.Combo1_Click();
    const QStringList middle = lines(d.List5[1]);
    ASSERT_EQ(middle.size(), 1);
    EXPECT_TRUE(middle[0].startsWith(QStringLiteral(" 2Ⅱ上田")));
    EXPECT_TRUE(d.Command1->isEnabled());
    EXPECT_TRUE(d.Command4[1]->isEnabled());

    // A run later: the choice stays for the same sign-in, a new sign-in starts afresh.
    d.activate();
    EXPECT_EQ(d.Combo1->currentText(), QStringLiteral("中学生全体"));
    signIn(1, QStringLiteral("小５"));
    s.SignInTime = Loose(s.SignInTime.toNumber() + 60);
    d.activate();
    EXPECT_EQ(d.Combo1->currentText(), QStringLiteral("小学生全体"));
}

TEST_F(DashboardWindow, MinutesSinceSignInCountOnAcrossMidnightAndAClockCorrection)
{
    writeRuns({});
    fakes.clock.current = QDateTime(QDate(2026, 12, 10), QTime(23, 58, 30));
    signIn(3, QStringLiteral("小３"));
    s.SignInTime = Loose(fakes.clock.secondsSinceMidnight());
    s.SignInClock = fakes.clock.monotonicSeconds();
    seisekitime1& d = open();
    EXPECT_EQ(d.Label17->text(), QStringLiteral("起動後0分"));

    fakes.clock.advanceMs(3 * 60000);  // 00:01:30 the next day
    d.activate();
    EXPECT_EQ(d.Label17->text(), QStringLiteral("起動後3分"));

    // The time of day is corrected two hours back; the sign-in is still four minutes ago a minute later.
    fakes.clock.current = fakes.clock.current.addSecs(-7200);
    fakes.clock.advanceMs(60000);
    d.activate();
    EXPECT_EQ(d.Label17->text(), QStringLiteral("起動後4分"));
}

// Left open across midnight, the dashboard shows the new day's figures and
// ranking, as one opened afresh at that moment does.
TEST_F(DashboardWindow, ADashboardLeftOpenAcrossMidnightShowsTheNewDaysFigures)
{
    fakes.clock.current = QDateTime(QDate(2026, 12, 10), QTime(23, 59, 0));
    const double day = toOleDate(QDate(2026, 12, 10));
    writeRuns({{day, 3, 1, 45}, {day, 3, 1, 50}, {day, 3, 2, 60}, {day, 1, 1, 30}, {day - 2, 2, 1, 70}});
    signIn(3, QStringLiteral("小３"));
    seisekitime1& d = open();
    EXPECT_EQ(d.Label18->text(), QStringLiteral("本日総回数＝3回"));
    fakes.clock.advanceMs(2 * 60000);  // 00:01 the next day
    d.dayWatch->poll();
    EXPECT_EQ(d.Label18->text(), QStringLiteral("本日総回数＝0回"));
    EXPECT_EQ(d.Label14[1]->text(), QStringLiteral("-----"));
    // Today's ranking, as a fresh start shows it.
    const auto todaysRanking = [](seisekitime1& w) {
        w.Option1[2]->setChecked(true);
        w.Option1_Click(2);
        std::vector<QStringList> out;
        for (int level = 1; level <= 2; ++level) out.push_back(lines(w.List5[size_t(level)]));
        return out;
    };
    const std::vector<QStringList> shown = todaysRanking(d);
    w.reset();
    seisekitime1& fresh = open();
    EXPECT_EQ(fresh.Label18->text(), QStringLiteral("本日総回数＝0回"));
    EXPECT_EQ(shown, todaysRanking(fresh));
}

TEST_F(DashboardWindow, TimeDisplayViewsAndThePeriodChooser)
{
    writeRuns({{today, 1, 1, 30}, {today, 3, 1, 99999}, {today - 10, 2, 1, 40}, {today - 100, 3, 1, 35}});
    seisekitime1& d = open();

    d.Option2[0]->setChecked(true);
    d.Option2_Click(0);
    EXPECT_EQ(d.display(), seisekitime1::Display::Times);
    EXPECT_EQ(d.Option1[1]->text(), QStringLiteral("BEST表示"));
    EXPECT_EQ(d.Label5->text(), QStringLiteral("ベスト成績"));
    QStringList best = lines(d.List5[1]);
    ASSERT_EQ(best.size(), 3);
    EXPECT_TRUE(best[0].startsWith(QStringLiteral(" 1⑤青木")));
    EXPECT_TRUE(best[1].startsWith(QStringLiteral(" 2●小川")));  // 35 s a hundred days ago
    EXPECT_TRUE(d.List5[1]->isVisible());
    EXPECT_FALSE(d.Picture6->isVisible());

    d.Option1[2]->setChecked(true);
    d.Option1_Click(2);
    EXPECT_EQ(d.Label5->text(), QStringLiteral("本日の成績"));
    EXPECT_EQ(lines(d.List5[1]).size(), 1);  // the time-over run is left out

    d.Option1[3]->setChecked(true);
    d.Option1_Click(3);
    EXPECT_TRUE(d.Combo2->isVisible());
    QStringList month = lines(d.List5[1]);
    ASSERT_EQ(month.size(), 3);
    EXPECT_TRUE(month[1].startsWith(QStringLiteral("　　× ")));

    d.Combo2_Click(4);  // everything
    EXPECT_EQ(s.ResultsPeriod, 5);
    EXPECT_EQ(lines(d.List5[1]).size(), 4);
    d.Combo2_Click(0);  // this week (Thursday): today only in this school
    EXPECT_EQ(lines(d.List5[1]).size(), 2);

    // The refresh goes back to the points display.
    d.activate();
    EXPECT_EQ(d.display(), seisekitime1::Display::Points);
    EXPECT_TRUE(d.Option2[1]->isChecked());
    EXPECT_FALSE(d.Combo2->isVisible());
    // ... and captions its view options for the points display.
    EXPECT_EQ(d.Option1[1]->text(), QStringLiteral("累計順"));
    EXPECT_EQ(d.Option1[2]->text(), QStringLiteral("本日順"));
    EXPECT_EQ(d.Option1[3]->text(), QStringLiteral("すべて"));
}

TEST_F(DashboardWindow, ListsOpenAtThePupilsOwnLineAndRecordListsAtTheNewest)
{
    std::vector<std::tuple<double, int, int, int>> runs;
    for (int p = 4; p <= 83; ++p) {
        s.RosterOrder[size_t(p)] = p;
        s.PupilBirthYears[size_t(p)] = 2015;
        s.PupilNames[size_t(p)] = QStringLiteral("生徒%1").arg(p);
        runs.push_back({today - (83 - p) % 20, p, 1, 20 + p});  // all faster than pupil 3
    }
    s.RosterCount = Loose(83);
    runs.push_back({today - 25, 3, 1, 200});
    writeRuns(runs);
    seisekitime1& d = open();
    QListWidget* list = d.List5[1];
    int own = -1;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text().contains(QStringLiteral("●"))) own = i;
    ASSERT_GT(own, 60);
    EXPECT_GT(list->verticalScrollBar()->value(), 0);
    EXPECT_LE(list->indexAt(QPoint(4, 4)).row(), own - 1);  // the line before it is in view, at the top
    EXPECT_TRUE(list->selectedItems().isEmpty());

    d.Option1[3]->setChecked(true);
    d.Option1_Click(3);
    ASSERT_EQ(list->count(), 81);
    EXPECT_EQ(list->verticalScrollBar()->value(), list->verticalScrollBar()->maximum());
}

TEST_F(DashboardWindow, ScrollingPlacesColumnsAndIsKept)
{
    writeRuns({});
    s.FirstVisibleLevel = 0;
    seisekitime1& d = open();
    EXPECT_EQ(s.FirstVisibleLevel, 1);
    EXPECT_EQ(d.Command4[1]->x(), 20);
    d.HScroll1->setValue(3);
    EXPECT_EQ(s.FirstVisibleLevel, 3);
    EXPECT_EQ(d.Command4[3]->x(), 20);
    EXPECT_GE(d.Command4[1]->x(), kFrameWidth);  // out of view
    EXPECT_EQ(d.Command4[4]->x(), 251);  // (307.2 + 3456) twips

    // A new dashboard (after the teacher windows) keeps the position.
    w.reset();
    seisekitime1& again = open();
    EXPECT_EQ(again.HScroll1->value(), 3);
    EXPECT_EQ(again.Command4[3]->x(), 20);
}

TEST_F(DashboardWindow, PracticeLevelHidesItsDetailsAndGetsFixedTimes)
{
    s.LevelNames[2] = QStringLiteral("川練習");
    writeRuns({});
    seisekitime1& d = open();
    EXPECT_FALSE(d.List5[2]->isVisible());
    EXPECT_FALSE(d.Label7[2]->isVisible());
    EXPECT_FALSE(d.Label14[2]->isVisible());
    EXPECT_EQ(s.TargetTime[2], 600);
    EXPECT_EQ(s.LimitTime[2], 600);
    EXPECT_TRUE(d.Command4[2]->isEnabled());
    EXPECT_TRUE(d.List5[1]->isVisible());
}

TEST_F(DashboardWindow, BackShowsNameSelectionAndKeepsTheDashboard)
{
    static int shown;
    shown = 0;
    screens::registerFactory(ScreenId::NameSelection, [] {
        ++shown;
        auto* n = new Screen(QStringLiteral("namesel"));
        return n;
    });
    writeRuns({});
    seisekitime1& d = open();
    d.Command1->setEnabled(false);
    EXPECT_TRUE(d.handleKey(QStringLiteral("0")));  // taken, but the disabled button does nothing
    EXPECT_EQ(shown, 0);
    d.Command1->setEnabled(true);
    EXPECT_TRUE(d.handleKey(QStringLiteral("0")));
    EXPECT_EQ(shown, 1);
    EXPECT_NE(screens::find(ScreenId::NameSelection), nullptr);
    EXPECT_FALSE(d.isVisible());
    // The next refresh unloads name selection again.
    d.show();
    d.activate();
    EXPECT_EQ(screens::find(ScreenId::NameSelection), nullptr);
    screens::closeAll();
}

namespace {
// A stand-in drill that notes which level each start asked for and steps aside.
std::vector<int> drillStarts;
class NotingDrill : public Screen {
public:
    NotingDrill() : Screen(QStringLiteral("MainFrm")) {}
    void activate() override
    {
        drillStarts.push_back(state().SelectedLevel);
        hide();
    }
};
} // namespace

TEST_F(DashboardWindow, AKeyArrivingWhileTheCoverGoesUpStartsNothingMore)
{
    screens::registerFactory(ScreenId::Drill, [] { return new NotingDrill(); });
    drillStarts.clear();
    writeRuns({});
    seisekitime1& d = open();
    // "1" pressed twice quickly: the second press waits in the queue while
    // the wait cover is painted for the first.
    QCoreApplication::postEvent(&d, new QKeyEvent(QEvent::KeyPress, Qt::Key_2, Qt::NoModifier, QStringLiteral("2")));
    EXPECT_TRUE(d.handleKey(QStringLiteral("1")));
    QCoreApplication::processEvents();
    EXPECT_EQ(drillStarts, std::vector<int>{1});
    EXPECT_EQ(s.SelectedLevel, 1);
    screens::closeAll();
}

TEST_F(DashboardWindow, ChoicesMadeWhileTheListsAreBuiltAreUndone)
{
    writeRuns({{today, 1, 1, 30}, {today, 3, 1, 40}});
    seisekitime1& d = open();
    // A second choice arrives while the screen yields to paint the busy panel.
    QMetaObject::invokeMethod(&d, [&d] { d.Option1[2]->click(); }, Qt::QueuedConnection);
    d.Option1[1]->setChecked(true);
    d.Option1_Click(1);
    QCoreApplication::processEvents();
    EXPECT_TRUE(d.Option1[1]->isChecked());
    EXPECT_EQ(d.Label5->text(), QStringLiteral("獲得ポイント（今まで順位）"));

    QMetaObject::invokeMethod(&d, [&d] { d.Option2[1]->click(); }, Qt::QueuedConnection);
    d.Option2[0]->setChecked(true);
    d.Option2_Click(0);
    QCoreApplication::processEvents();
    EXPECT_TRUE(d.Option2[0]->isChecked());
    EXPECT_EQ(d.display(), seisekitime1::Display::Times);
    EXPECT_EQ(d.Option1[1]->text(), QStringLiteral("BEST表示"));
    EXPECT_EQ(d.Label5->text(), QStringLiteral("ベスト成績"));

    // The grade chooser keeps the filter of the lists being built.
    QMetaObject::invokeMethod(&d, [&d] {
        d.Combo1->setCurrentIndex(d.Combo1->findText(QStringLiteral("小１")));
        emit d.Combo1->activated(d.Combo1->currentIndex());
    }, Qt::QueuedConnection);
    d.Combo1->setCurrentIndex(d.Combo1->findText(QStringLiteral("中学生全体")));
    d.Combo1_Click();
    QCoreApplication::processEvents();
    EXPECT_EQ(d.Combo1->currentText(), QStringLiteral("中学生全体"));
    EXPECT_EQ(lines(d.List5[1]).size(), 1);  // 上田 only
    EXPECT_TRUE(d.Command1->isEnabled());
    EXPECT_TRUE(d.Command4[1]->isEnabled());
}

TEST_F(DashboardWindow, DataChangePressedWhileAViewWaitsForTheFileClosesTheDashboardOnlyAfterTheView)
{
    // A view waits for another PC's lock on the results file; meanwhile the
    // teacher opens the records manager with "データ変更", which closes the
    // dashboard. The dashboard is deleted only once the view's handler has
    // returned, and the view stops without filling the closed screen.
    s.DataChangePassword = Loose(QStringLiteral("karuvel"));
    s.RosterFolder = Loose(dir.path());
    dir.writeCp932(QStringLiteral("新名簿.txt"), QStringLiteral("3,2017,0,0,小川,0,,\r\n"));
    for (const int view : {1, 2}) {  // 1: a period's runs, 2: the per-pupil times
        SCOPED_TRACE(view);
        writeRuns({{today, 3, 1, 45}});
        registerDashboardScreen();
        screens::registerFactory(ScreenId::RecordsManager, [] { return new Screen(QStringLiteral("FrmData")); });
        QPointer<seisekitime1> d = qobject_cast<seisekitime1*>(screens::show(ScreenId::Dashboard));
        ASSERT_TRUE(d);
        d->Picture7->open();
        d->Text3->setText(QStringLiteral("karuvel"));

        auto other = std::make_unique<RecordFile>();  // another PC appending
        ASSERT_TRUE(other->open(toFsPath(s.DataFolder.toText() + QStringLiteral("成績累積データ.dat")), RecordFile::Mode::ReadWriteCreate));
        ASSERT_EQ(other->tryLock(LockKind::Exclusive), LockResult::Locked);
        bool aliveInTheWait = false;
        fakes.clock.onWait = [&](int) {
            if (!other) return;
            test::postClick(d->Command10[0]);  // "データ変更"
            test::keepResponsive();
            aliveInTheWait = !d.isNull() && !d->isVisible() && screens::find(ScreenId::Dashboard) == nullptr;
            other.reset();
        };
        QTest::mouseClick(view == 1 ? d->Option1[3] : d->Option2[2], Qt::LeftButton);
        fakes.clock.onWait = nullptr;
        EXPECT_TRUE(aliveInTheWait);
        ASSERT_TRUE(d);
        EXPECT_FALSE(d->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(d.isNull());
        ASSERT_NE(screens::find(ScreenId::RecordsManager), nullptr);
        EXPECT_TRUE(screens::find(ScreenId::RecordsManager)->isVisible());
        for (const auto& [title, text] : fakes.messages.shown) ADD_FAILURE() << text.toStdString();
        screens::closeAll();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(DashboardWindow, GrabForALook)
{
    const QByteArray out = qgetenv("KARUVEL_GRAB");
    if (out.isEmpty()) GTEST_SKIP() << "set KARUVEL_GRAB to a PNG path to save a picture";
    s.OverdoCountLimit[2] = Loose(2);
    std::vector<std::tuple<double, int, int, int>> runs = {
        {today, 3, 1, 45}, {today, 3, 1, 38}, {today, 3, 2, 40}, {today, 3, 2, 41}, {today - 2, 3, 3, 70},
        {today, 1, 1, 30}, {today, 2, 1, 52}, {today, 2, 3, 99999}};
    // Sixty more pupils, so that the lists scroll to the pupil's own line.
    const char* family[] = {"佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺", "山本", "中村", "小林", "加藤"};
    const char* given[] = {"はると", "ゆい", "そうた", "めい", "りく", "さくら"};
    for (int p = 4; p <= 63; ++p) {
        s.RosterOrder[size_t(p)] = p;
        s.PupilBirthYears[size_t(p)] = 2011 + p % 8;
        s.PupilNames[size_t(p)] = (QString::fromUtf8(family[p % 10]) + QString::fromUtf8(given[p % 6]))
                                      .leftJustified(20, QLatin1Char(' '));
        for (int level = 1; level <= 4; ++level)
            if ((p + level) % 3 != 0) runs.push_back({today - (p % 5), p, level, 25 + (p * 7 + level * 13) % 60});
    }
    s.RosterCount = Loose(63);
    s.CurrentPupilName = QStringLiteral("小川　ひかり");
    s.PupilNames[3] = s.CurrentPupilName;
    writeRuns(runs);
    if (qEnvironmentVariableIsSet("KARUVEL_GRAB_TIME")) {
        seisekitime1& d = open();
        d.Option2[0]->setChecked(true);
        d.Option2_Click(0);
        d.grab().save(QString::fromLocal8Bit(out));
        return;
    }
    seisekitime1& d = open();
    d.grab().save(QString::fromLocal8Bit(out));
}

// A level whose runs within its recent period reach its clear count and clear
// points carries "クリア" on its column, decided by the rule of the finish
// screen's "このレベルクリア"; a level a run short, or one only another pupil
// cleared, does not.
TEST_F(DashboardWindow, ClearedLevelsAreMarkedOnTheirColumns)
{
    s.ClearCount[1] = 2;
    s.ClearPoints[1] = 10;
    s.ClearCount[2] = 2;
    s.ClearPoints[2] = 10;
    s.ClearCount[3] = 1;
    s.ClearPoints[3] = 5;
    // Level 1: two runs of 5 points today. Level 2: one run. Level 3: cleared by pupil 1 only.
    writeRuns({{today, 3, 1, 45}, {today, 3, 1, 50}, {today, 3, 2, 45}, {today, 1, 3, 45}});
    seisekitime1& d = open();
    ASSERT_EQ(d.LabelClear.size(), d.Label1.size());
    EXPECT_TRUE(d.LabelClear[1]->isVisible());
    EXPECT_EQ(d.LabelClear[1]->text(), QStringLiteral("クリア"));
    EXPECT_FALSE(d.LabelClear[2]->isVisible());
    EXPECT_FALSE(d.LabelClear[3]->isVisible());
    for (int i = 1; i <= 12; ++i)
        EXPECT_EQ(d.LabelClear[size_t(i)]->isVisible(), levelClearedRecently(i, 3)) << "level " << i;
    EXPECT_FALSE(d.LabelClear[0]->isVisible()) << "the template";
    // On its column, beside the level's name and clear of it.
    EXPECT_TRUE(d.LabelClear[1]->geometry().intersects(QRect(d.Label1[1]->x(), 0, d.Command4[1]->width(), 30)));
    EXPECT_FALSE(d.LabelClear[1]->geometry().intersects(d.Label3[1]->geometry()));

    // Pupil 1 signs in: level 3 is theirs.
    signIn(1, QStringLiteral("小６"));
    d.activate();
    EXPECT_FALSE(d.LabelClear[1]->isVisible());
    EXPECT_TRUE(d.LabelClear[3]->isVisible());
}

// Each level answers to exactly one key, the one its start button shows:
// "1".."9" and "a".."c", with GRPH (Alt) as the button's access key or
// alone through the window; Enter presses the focused button.
TEST_F(DashboardWindow, EachLevelHasOneKeyAndEnterPressesTheFocusedButton)
{
    writeRuns({});
    seisekitime1& d = open();
    QSet<int> accessKeys;
    for (int level = 1; level <= 12; ++level) {
        const QKeySequence access = QKeySequence::mnemonic(d.Command4[size_t(level)]->text());
        ASSERT_FALSE(access.isEmpty()) << level;
        EXPECT_FALSE(accessKeys.contains(access[0].toCombined())) << "level " << level << " shares its access key";
        accessKeys.insert(access[0].toCombined());
        // The access key is the level's own key, which the window takes alone too.
        const QString key = shortcutKey(level);
        EXPECT_EQ(access, QKeySequence(QStringLiteral("Alt+") + key.toUpper())) << level;
        EXPECT_EQ(shortcutTarget(key, 12), level) << level;
    }

    // GRPH+A starts level 10 (not 湾湖２ by way of "1").
    d.activateWindow();
    QApplication::setActiveWindow(&d);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    // (an access key clicks its button a moment later, as a click looks)
    QTest::keyClick(&d, Qt::Key_A, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return s.SelectedLevel == 10; }, 2000));
    d.activate();
    d.show();
    QApplication::setActiveWindow(&d);
    QTest::keyClick(&d, Qt::Key_1, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return s.SelectedLevel == 1; }, 2000));

    // Enter on the focused start button starts its level.
    d.activate();
    d.Command4[3]->setFocus();
    QTest::keyClick(d.Command4[3], Qt::Key_Return);
    EXPECT_EQ(s.SelectedLevel, 3);
}

// On a screen wider than 4:3 the dashboard takes the whole width: six level
// columns side by side at 16:9, all twelve without a scroll bar where they
// fit; the heading stays together in the middle.
TEST_F(DashboardWindow, WideScreensShowMoreColumns)
{
    writeRuns({});
    s.FirstVisibleLevel = 1;
    seisekitime1& d = open();
    const int headingBefore = d.Command1->x();
    d.resize(1365, kFrameHeight);
    EXPECT_EQ(d.frame()->width(), 1365);
    EXPECT_EQ(d.Command1->x(), headingBefore + (1365 - kFrameWidth) / 2) << "the heading in the middle";
    QWidget* area = d.findChild<QWidget*>(QStringLiteral("ColumnArea"));
    ASSERT_NE(area, nullptr);
    for (int level = 1; level <= 6; ++level) {
        const QRect r = d.Command4[size_t(level)]->geometry();
        EXPECT_LE(r.right(), area->width()) << level << " is in view";
        if (level > 1) EXPECT_GT(r.left(), d.Command4[size_t(level - 1)]->geometry().right()) << level;
    }
    EXPECT_GE(d.Command4[7]->x(), area->width() - 1) << "the seventh is beyond the area";
    EXPECT_TRUE(d.HScroll1->isVisibleTo(&d));
    EXPECT_EQ(d.HScroll1->maximum(), 7);

    d.resize(2731, kFrameHeight);
    EXPECT_FALSE(d.HScroll1->isVisibleTo(&d));
    for (int level = 1; level <= 12; ++level)
        EXPECT_LE(d.Command4[size_t(level)]->geometry().right(), area->width()) << level << " is in view";

    d.resize(kFrameWidth, kFrameHeight);
    EXPECT_EQ(d.Command1->x(), headingBefore);
    EXPECT_EQ(d.HScroll1->maximum(), 9);
}
