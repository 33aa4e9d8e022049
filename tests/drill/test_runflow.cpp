// The records' side of a run's end: the run is judged and stored, the finish
// screen shows the outcome with its cues, and its two buttons lead back into
// the drill (a stand-in here) or to the menu. The order of the run itself,
// up to its hand-over, is the drill's DrillRun (tests/drill/test_run.cpp).
#include "Fakes.h"
#include "Runs.h"
#include "TempDir.h"
#include "drill/FinishScreen.h"
#include "platform/Calendar.h"
#include "frame/Catalogue.h"
#include "frame/Navigator.h"
#include "frame/Screen.h"
#include "records/Recount.h"
#include "records/RunFlow.h"
#include "state/ProgramState.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtEndian>
#include <gtest/gtest.h>

#include <cstring>

using namespace karuvel;

namespace {

// What the stand-in drill saw; it outlives the drill windows themselves.
struct DrillLog {
    int activations = 0;
};
DrillLog drillLog;
int dashboardActivations = 0;

// A drill window that does what the real one does when it starts.
class FakeDrill : public Screen {
public:
    FakeDrill() : Screen(QStringLiteral("MainFrm")) {}
    void activate() override
    {
        ++drillLog.activations;
        screens::close(ScreenId::Dashboard);
        CloseWait();
    }
};

class FakeDashboard : public Screen {
public:
    FakeDashboard() : Screen(QStringLiteral("seisekitime1")) {}
    void activate() override { ++dashboardActivations; }
};

void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

class RunFlowTest : public ::testing::Test {
protected:
    test::FakePlatform fakes;
    test::TempDir dir;
    QString sounds = dir.mkdir("音フォルダ");

    void SetUp() override
    {
        drillLog = DrillLog();
        dashboardActivations = 0;
        screens::registerFactory(ScreenId::Drill, [] { return new FakeDrill(); });
        screens::registerFactory(ScreenId::Dashboard, [] { return new FakeDashboard(); });
        screens::registerFactory(ScreenId::Finish, [] { return new FrmSyuuryou(); });

        ProgramState& s = state();
        s.DataFolder = Loose(dir.path());
        s.SoundFolder = Loose(sounds);
        s.SchoolCode = Loose(QStringLiteral("12345"));
        s.ProgramTitle = QStringLiteral("Karuvel");
        applyLevelCatalogue();  // levels 1..12 timed, 13.. practice levels, final level 12
        test::setLevelCriteria(24, {.clearPoints = 100, .clearCount = 5, .multiplier = 1.5f, .overdoDays = 7});
        s.SoundNames[8].category = QStringLiteral("自己最高音2");
        s.SoundNames[8].files[1] = QStringLiteral("best");
        s.SoundNames[8].count = 1;
        s.SoundNames[10].category = QStringLiteral("不合格音1");
        s.SoundNames[10].files[1] = QStringLiteral("fail");
        s.SoundNames[10].count = 1;
        signIn(7, QStringLiteral("山田　花子"));
    }

    void TearDown() override
    {
        screens::closeAll();
        flushDeletes();
    }

    // Signs a pupil in the way the name list does: the recount first.
    void signIn(int pupil, const QString& name)
    {
        state().CurrentPupil = pupil;
        state().CurrentPupilName = name.leftJustified(20, QLatin1Char(' '));
        EXPECT_TRUE(RecountAll().ok());
    }

    // A run of the level that lasted `seconds` (or ran out of time) is
    // judged and stored, and the finish screen shows it.
    FrmSyuuryou* play(int level, int seconds, bool timeOver = false)
    {
        state().SelectedLevel = level;
        const RunOutcome outcome = JudgeRun(level, timeOver ? kTimeOver : seconds);
        screens::close(ScreenId::Drill);
        screens::show(ScreenId::Finish, [&outcome](QWidget* w) { static_cast<FrmSyuuryou*>(w)->setOutcome(outcome); });
        flushDeletes();
        return screens::findAs<FrmSyuuryou>(ScreenId::Finish);
    }

    // The screen change a button asked for, made from the event loop.
    static void settle()
    {
        for (int turn = 0; turn < 3; ++turn) QCoreApplication::processEvents();
        flushDeletes();
    }

    QByteArray results() const
    {
        QFile f(dir.file(QStringLiteral("成績累積データ.dat")));
        if (!f.open(QIODevice::ReadOnly)) return {};
        return f.readAll();
    }

    QString sound(const QString& name) const { return sounds + name + QStringLiteral(".wav"); }
};

double doubleAt(const QByteArray& b, int offset)
{
    double d;
    const quint64 raw = qFromLittleEndian<quint64>(b.constData() + offset);
    std::memcpy(&d, &raw, sizeof d);
    return d;
}

} // namespace

TEST_F(RunFlowTest, FirstRunIsStoredAndShowsOnlyTheTopRecord)
{
    ShowWait();  // as the drill leaves it during its pause
    FrmSyuuryou* f = play(1, 45);
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(waitShown());

    // The stored record, byte for byte.
    const QByteArray rec = results();
    ASSERT_EQ(rec.size(), 44);
    EXPECT_EQ(doubleAt(rec, 0), toOleDate(QDate(2026, 12, 10)));
    EXPECT_NEAR(doubleAt(rec, 8), 10.0 / 24.0, 1e-6);
    EXPECT_EQ(qFromLittleEndian<qint16>(rec.constData() + 16), 7);
    EXPECT_EQ(qFromLittleEndian<qint16>(rec.constData() + 18), 1);
    EXPECT_EQ(qFromLittleEndian<qint32>(rec.constData() + 20), 45);
    EXPECT_EQ(rec.mid(24, 15), QByteArray("12345     0    "));

    // Both records broken: only the top record's message and cue.
    EXPECT_EQ(f->Label18->text(), QStringLiteral("今の成績：45秒"));
    EXPECT_EQ(f->Label19->text(), QStringLiteral("獲得ポイント：5点×1.5→7点"));
    EXPECT_TRUE(f->Label20->isVisible());
    EXPECT_EQ(f->Label20->text(), QStringLiteral("！！！最高新記録！！！"));
    EXPECT_EQ(fakes.sound.played, QStringList{sound(QStringLiteral("最高1"))});
    EXPECT_EQ(f->Label15->text(), QStringLiteral("Karuvel"));
    EXPECT_EQ(f->Label16->text(), QStringLiteral("川１"));
    EXPECT_EQ(f->Label17->text(), QStringLiteral("山田　花子"));
    EXPECT_EQ(f->Label13->text(), QStringLiteral(" (このレベル　1回目)"));
    EXPECT_EQ(f->Label14->text(), QStringLiteral("（1回目)"));
    EXPECT_FALSE(f->Label2->isVisible());
    EXPECT_FALSE(f->Picture1->isVisible());
    EXPECT_EQ(state().BestTime(1, 7), 45);
    EXPECT_EQ(state().TopTime[1], 45);

    // The buttons wait for the 500 ms timer, which really fires.
    EXPECT_FALSE(f->Command4->isVisible());
    EXPECT_FALSE(f->Command5->isVisible());
    EXPECT_TRUE(f->Timer1->isActive());
    EXPECT_EQ(f->Timer1->interval(), 500);
    QElapsedTimer waited;
    waited.start();
    while (!f->Command4->isVisible() && waited.elapsed() < 3000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(f->Command4->isVisible());
    EXPECT_TRUE(f->Command5->isVisible());
    EXPECT_FALSE(f->Timer1->isActive());
}

// The message is on the screen while its cue plays, and the buttons wait
// for the cue's end even when their timer comes first.
TEST_F(RunFlowTest, MessageShowsWhileItsCuePlaysAndTheButtonsWaitForItsEnd)
{
    struct PaintCounter : QObject {
        int label20Paints = 0;
        bool eventFilter(QObject* o, QEvent* e) override
        {
            if (e->type() == QEvent::Paint && o->objectName() == QStringLiteral("Label20")) ++label20Paints;
            return false;
        }
    } counter;
    fakes.sound.endAtOnce = false;
    qApp->installEventFilter(&counter);
    FrmSyuuryou* f = play(1, 45);
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(fakes.sound.playing());
    for (int turn = 0; turn < 3; ++turn) QCoreApplication::processEvents();
    qApp->removeEventFilter(&counter);
    EXPECT_EQ(f->Label20->text(), QStringLiteral("！！！最高新記録！！！"));
    EXPECT_GT(counter.label20Paints, 0);
    EXPECT_TRUE(fakes.sound.playing());

    f->Timer1_Timer();
    EXPECT_FALSE(f->Command4->isVisible());
    fakes.sound.finish();
    EXPECT_TRUE(f->Command4->isVisible());
    EXPECT_TRUE(f->Command5->isVisible());
}

TEST_F(RunFlowTest, OutcomesOfLaterRunsAndOtherPupils)
{
    signIn(3, QStringLiteral("先輩"));
    play(1, 30);
    screens::close(ScreenId::Finish);
    signIn(7, QStringLiteral("山田　花子"));

    struct Step {
        int seconds;
        const char* message;
        const char* cue;  // empty: no sound
    };
    const Step steps[] = {
        {50, "新記録おめでとう", "best"},  // own first time; pupil 3 holds the top time
        {55, "", "fail"},                  // no record, within the limit time
        {121, "", ""},                     // no record, beyond the limit time: silence
        {20, "！！！最高新記録！！！", "最高1"},
    };
    for (const Step& st : steps) {
        SCOPED_TRACE(st.seconds);
        fakes.sound.played.clear();
        FrmSyuuryou* f = play(1, st.seconds);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->Label20->isVisible(), std::strlen(st.message) > 0);
        if (std::strlen(st.message) > 0) EXPECT_EQ(f->Label20->text(), QString::fromUtf8(st.message));
        const QStringList expected =
            std::strlen(st.cue) > 0 ? QStringList{sound(QString::fromUtf8(st.cue))} : QStringList{};
        EXPECT_EQ(fakes.sound.played, expected);
        screens::close(ScreenId::Finish);
    }
    EXPECT_EQ(results().size(), 5 * 44);
    EXPECT_EQ(state().TodayCount(1, 7), 4.0f);
}

// A practice level's runs and those of an untimed level are never judged nor
// recorded (the drill then sends the pupil back to the menu).
TEST_F(RunFlowTest, PracticeAndUntimedLevelsAreNeverRecorded)
{
    ASSERT_TRUE(isPracticeLevelName(state().LevelNames[13]));
    state().LevelTimed[5] = 0;
    EXPECT_FALSE(runIsRecorded(13));
    EXPECT_FALSE(runIsRecorded(5));
    EXPECT_FALSE(runIsRecorded(0));
    EXPECT_TRUE(runIsRecorded(1));
    EXPECT_TRUE(runIsRecorded(12));
}

TEST_F(RunFlowTest, PracticeLeftOpenUntilTimeOverIsRecordedAsTimeOver)
{
    state().PracticeMode = Loose(1);
    FrmSyuuryou* f = play(1, 600, /*timeOver=*/true);
    ASSERT_NE(f, nullptr);
    const QByteArray rec = results();
    ASSERT_EQ(rec.size(), 44);
    EXPECT_EQ(qFromLittleEndian<qint32>(rec.constData() + 20), 99999);
    EXPECT_EQ(f->Label18->text(), QStringLiteral("記録なし"));
    EXPECT_EQ(f->Label19->text(), QStringLiteral("獲得ポイント：0点×1.5→0点"));
    EXPECT_EQ(f->Label20->text(), QStringLiteral("時間切れ"));
    EXPECT_TRUE(fakes.sound.played.isEmpty());
    EXPECT_EQ(state().BestTime(1, 7), 99999);  // never a best time
    EXPECT_EQ(state().TopTime[1], 99999);
    EXPECT_EQ(f->Label13->text(), QStringLiteral(" (このレベル　0回目)"));  // a time over is no run
}

TEST_F(RunFlowTest, AgainAndMenuKeepTheLoopGoing)
{
    FrmSyuuryou* f = play(2, 40);
    for (int round = 2; round <= 4; ++round) {
        SCOPED_TRACE(round);
        ASSERT_NE(f, nullptr);
        f->Timer1_Timer();
        f->Command5->click();
        EXPECT_TRUE(waitShown());
        settle();
        EXPECT_EQ(screens::find(ScreenId::Finish), nullptr);
        EXPECT_NE(screens::find(ScreenId::Drill), nullptr);
        EXPECT_FALSE(waitShown());
        f = play(2, 40 + round);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->Label13->text(), QStringLiteral(" (このレベル　%1回目)").arg(round));
    }
    EXPECT_EQ(results().size(), 4 * 44);
    EXPECT_EQ(drillLog.activations, 3);  // once per "もう一度"

    f->Timer1_Timer();
    f->Command4->setFocus();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(f->Command4, &enter);  // Enter presses the focused "メニューへ"
    settle();
    EXPECT_EQ(screens::find(ScreenId::Finish), nullptr);
    EXPECT_NE(screens::find(ScreenId::Dashboard), nullptr);
    EXPECT_EQ(dashboardActivations, 1);
}

TEST_F(RunFlowTest, FinalLevelClearedForTheFirstTime)
{
    ProgramState& s = state();
    s.ClearPoints[12] = 5;
    s.ClearCount[12] = 1;
    FrmSyuuryou* f = play(12, 45);
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->levelCleared());
    EXPECT_TRUE(f->Label2->isVisible());
    EXPECT_EQ(f->Label2->text(), QStringLiteral("このレベルクリア"));
    EXPECT_TRUE(f->Picture1->isVisible());
    // The record's cue first, then the clear.
    EXPECT_EQ(fakes.sound.played, (QStringList{sound(QStringLiteral("最高1")), sound(QStringLiteral("合格"))}));
    f->Timer1_Timer();
    EXPECT_FALSE(f->Picture1->isVisible());
    EXPECT_TRUE(f->Command5->isVisible());
    screens::close(ScreenId::Finish);

    // Cleared before this run: no clear cue and no panel.
    fakes.sound.played.clear();
    f = play(12, 50);
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->Label2->isVisible());
    EXPECT_FALSE(f->Picture1->isVisible());
    EXPECT_EQ(fakes.sound.played, QStringList{sound(QStringLiteral("fail"))});
    screens::close(ScreenId::Finish);

    // With a level that has no count criterion anywhere, a first clear of the
    // final level still plays its cue but never shows the panel.
    s.ClearCount[20] = 9999;
    s.FinalLevel = Loose(11);
    s.ClearPoints[11] = 5;
    s.ClearCount[11] = 1;
    fakes.sound.played.clear();
    f = play(11, 45);
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->Label2->isVisible());
    EXPECT_FALSE(f->Picture1->isVisible());
    EXPECT_EQ(fakes.sound.played, (QStringList{sound(QStringLiteral("最高1")), sound(QStringLiteral("合格"))}));
}

TEST_F(RunFlowTest, OverdoneIntermediateLevelSendsThePupilOn)
{
    ProgramState& s = state();
    s.ClearPoints[3] = 5;
    s.ClearCount[3] = 1;
    s.OverdoCountLimit[3] = Loose(2);
    FrmSyuuryou* f = play(3, 45);
    f->Timer1_Timer();
    EXPECT_TRUE(f->Command5->isVisible());  // one run: not yet overdone
    screens::close(ScreenId::Finish);

    f = play(3, 45);
    f->Timer1_Timer();
    EXPECT_TRUE(f->Command4->isVisible());
    EXPECT_FALSE(f->Command5->isVisible());
    EXPECT_EQ(f->Label2->text(), QStringLiteral("次のレベルへ進みましょう"));
    screens::close(ScreenId::Finish);

    s.FinalLevelCleared = Loose(1);  // the final level is cleared: no limit any more
    f = play(3, 45);
    f->Timer1_Timer();
    EXPECT_TRUE(f->Command5->isVisible());
    EXPECT_EQ(f->Label2->text(), QStringLiteral("このレベルクリア"));
}
