// The drill window MainFrm through whole runs on a small map: arrangement per
// level kind, presses and list answers, corrections, the clock with its time
// over, the end of a run, the practice display and the way back.
#include "Clicks.h"
#include "DrillFixtures.h"
#include "Fakes.h"
#include "TempDir.h"
#include "drill/FinishScreen.h"
#include "drill/MainFrm.h"
#include "drill/MapZoom.h"
#include "drill/NameLists.h"
#include "drill/Register.h"
#include "frame/Catalogue.h"
#include "frame/Navigator.h"
#include "frame/Screen.h"
#include "records/RunFlow.h"
#include "state/ProgramState.h"

#include <QCoreApplication>
#include <QFile>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QWheelEvent>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

using namespace karuvel;
using Phase = DrillRun::Phase;

namespace {

int dashboardShown = 0;
int finishShown = 0;

class FakeDashboard : public Screen {
public:
    FakeDashboard() : Screen(QStringLiteral("seisekitime1")) {}
    void activate() override { ++dashboardShown; }
};

class FakeFinish : public Screen {
public:
    FakeFinish() : Screen(QStringLiteral("FrmSyuuryou")) {}
    void activate() override { ++finishShown; }
};

void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

QColor background(QWidget* w) { return w->palette().color(QPalette::Window); }

const QColor kSlotGreen(0, 192, 0);
// One colour language on the map and in the slots: red is right, violet wrong.
const QColor kRightRed = QColor::fromRgb(mapcolour::Corrected);
const QColor kWrongViolet = QColor::fromRgb(mapcolour::Pressed);

// Question rows for a file of n questions, all seeded in the first blue patch.
QString manyQuestions(int n)
{
    QString csv;
    for (int i = 1; i <= n; ++i)
        csv += QStringLiteral("地方,川%1,かわ,*,*,県%1,*,*,*,*,*,*,*,*,*,30,20,0\r\n").arg(i);
    return csv;
}

class DrillWindow : public ::testing::Test {
protected:
    test::FakePlatform fakes;
    test::TempDir dir;

    void SetUp() override
    {
        dashboardShown = 0;
        finishShown = 0;
        PreviousQuestion() = 0;
        setMapImageSource([](const QString&) { return test::fixtureMap(); });
        registerDrillScreens();
        screens::registerFactory(ScreenId::Dashboard, [] { return new FakeDashboard(); });
        screens::registerFactory(ScreenId::Finish, [] { return new FakeFinish(); });

        ProgramState& s = state();
        s.AppFolder = dir.path();
        s.DataFolder = Loose(dir.mkdir(QStringLiteral("data")));
        s.SchoolCode = Loose(QStringLiteral("12345"));
        s.SchoolName = QStringLiteral("みらい学習塾");
        s.ProgramTitle = QStringLiteral("Karuvel");
        applyLevelCatalogue();
        for (int level = 1; level <= 24; ++level) {
            s.TargetTime[level] = 60;
            s.LimitTime[level] = 90;
            s.ClearPoints[level] = 100;
            s.ClearCount[level] = 5;
            s.PointMultiplier[level] = 1.0f;
        }
        s.BestTime.fill(kNoTime);
        s.TopTime.fill(kNoTime);
        s.CurrentPupil = 7;
        s.CurrentPupilName = QStringLiteral("山田　花子").leftJustified(20, QLatin1Char(' '));
        s.TodayCount(1, 7) = 2;
        s.TodayCount(4, 7) = 1;
        s.SignInTime = Loose(clockNow() - 754);
        dir.writeCp932(QStringLiteral("データ.csv"), test::fixtureCsv());
    }

    void TearDown() override
    {
        screens::closeAll();
        flushDeletes();
        setMapImageSource(nullptr);
    }

    double clockNow() const { return fakes.clock.secondsSinceMidnight(); }

    MainFrm* start(int level, int practice = 0)
    {
        state().SelectedLevel = level;
        state().PracticeMode = Loose(practice);
        StartRun();
        return screens::findAs<MainFrm>(ScreenId::Drill);
    }

    // Lets the clock run to `seconds` after the start and ticks once.
    void tickAt(MainFrm* f, double seconds)
    {
        fakes.clock.advanceMs(int(std::llround((f->run()->startTime() + seconds - fakes.clock.monotonicSeconds()) * 1000.0)));
        f->sTimer1_Timer();
    }

    void press(MainFrm* f, int x, int y) { QTest::mouseClick(f->PicNuritubusiPic, Qt::LeftButton, {}, QPoint(x, y)); }

    // A point on the patch of another question than the one asked.
    QPoint otherPatch(MainFrm* f)
    {
        const int other = f->run()->currentQuestion() == 2 ? 1 : 2;
        const Question& q = f->content().table.at(other);
        return {q.seedX, q.seedY};
    }

    int rowOf(QListWidget* list, const QString& text)
    {
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->text() == text) return i;
        return -1;
    }

    // Right presses until one right answer is still needed.
    void answerRightUntilOneLeft(MainFrm* f)
    {
        while (f->run()->remaining() > 1) {
            const Question& q = f->content().table.at(f->run()->currentQuestion());
            press(f, q.seedX, q.seedY);
        }
    }

    // The run's pause and the screen change it asks for: the window goes.
    void settle(MainFrm* f)
    {
        const QPointer<MainFrm> window(f);
        fakes.clock.advanceMs(DrillRun::kFinishPauseMs);
        test::keepResponsive();
        flushDeletes();
        EXPECT_FALSE(window) << "the drill window was closed";
    }

    bool resultsStored() const { return QFile::exists(dir.path() + QStringLiteral("data/成績累積データ.dat")); }
};

} // namespace

TEST_F(DrillWindow, MapLevelArrangementAndStatusPanel)
{
    MainFrm* f = start(1);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->objectName(), QStringLiteral("MainFrm"));
    ASSERT_NE(f->run(), nullptr);
    EXPECT_EQ(f->run()->phase(), Phase::Asking);
    EXPECT_EQ(dashboardShown, 0);

    // Four questions: four right answers end the run.
    EXPECT_EQ(f->run()->questionsPerRun(), 4);
    EXPECT_EQ(f->sLabel9->text(), QStringLiteral("4"));
    EXPECT_EQ(f->sLabel2->text(), QStringLiteral("Karuvel"));
    EXPECT_DOUBLE_EQ(f->sLabel2->font().pointSizeF(), 16.8);
    EXPECT_EQ(f->sLabel7->text(), QStringLiteral("山田　花子"));
    EXPECT_EQ(f->sLabel14->text(), QStringLiteral("みらい学習塾"));
    EXPECT_EQ(f->sLabel8->text(), QStringLiteral("川１"));
    EXPECT_EQ(f->sLabel10->text(), QStringLiteral("0"));
    EXPECT_EQ(f->sLabel12->text(), QStringLiteral("4"));  // 2 + 1 runs today, this one the 4th
    EXPECT_EQ(state().TodayTotalRuns, 3);
    EXPECT_EQ(f->sLabel11->text(), QStringLiteral("3"));
    EXPECT_EQ(f->sLabel13->text(), QStringLiteral("12"));
    EXPECT_TRUE(f->sTimer1->isActive());
    EXPECT_TRUE(f->sTimer2->isActive());
    EXPECT_EQ(f->sTimer1->interval(), 1000);
    EXPECT_EQ(f->sTimer2->interval(), 10000);
    EXPECT_EQ(f->run()->timeLimit(), 450);
    EXPECT_EQ(f->sShape3->width(), 60 * f->sShape5->width() / 450);
    EXPECT_EQ(f->sShape4->width(), 90 * f->sShape5->width() / 450);
    EXPECT_FALSE(f->sPicture2->isVisible());

    // The panel: instruction, three slots, and the pressed-area names below.
    EXPECT_TRUE(f->LblNuritubusi6->isVisible());
    EXPECT_EQ(f->LblNuritubusi6->text(), QStringLiteral("関連する場所を押しなさい"));
    EXPECT_EQ(f->LblNuritubusi6->y() + f->LblNuritubusi6->height(), f->LblNuritubusi2->y());
    EXPECT_EQ(f->LblNuritubusi2->y(), f->Label4[0]->y());
    EXPECT_EQ(f->LblNuritubusi7->y(), f->LblNuritubusi2->y() + f->LblNuritubusi2->height());
    EXPECT_EQ(f->Label3->y(), f->LblNuritubusi7->y() + f->LblNuritubusi7->height());
    EXPECT_EQ(f->List2->y(), f->Label3->y() + f->Label3->height());
    EXPECT_EQ(f->CmdNuritubusikakunin->y(), f->List2->y() + f->List2->height());
    EXPECT_EQ(f->CmdNuritubusikakunin->width(), f->List2->width());
    EXPECT_EQ(f->Label5->y(), f->Label4[4]->y());
    EXPECT_EQ(f->LblNuritubusi2->x(), f->Label4[0]->x() + f->Label4[0]->width());
    EXPECT_EQ(background(f->LblNuritubusi4), kWrongViolet);
    for (QWidget* w : {static_cast<QWidget*>(f->ListNuritubusi), static_cast<QWidget*>(f->ListNuritubusi2),
                       static_cast<QWidget*>(f->List2), static_cast<QWidget*>(f->CmdNuritubusiOK),
                       static_cast<QWidget*>(f->Label5), static_cast<QWidget*>(f->CmdNuritubusikakunin)})
        EXPECT_FALSE(w->isVisible()) << w->objectName().toStdString();
    // Anchors run down in the order 5, 3, 0, 1, 2, 4.
    const int order[] = {5, 3, 0, 1, 2, 4};
    for (int i = 1; i < 6; ++i) EXPECT_LT(f->Label4[order[i - 1]]->y(), f->Label4[order[i]]->y());

    // The first question is on screen; the map is clean and can be pressed.
    EXPECT_GE(f->run()->currentQuestion(), 1);
    EXPECT_LE(f->run()->currentQuestion(), 4);
    EXPECT_EQ(PreviousQuestion(), f->run()->currentQuestion());
    EXPECT_TRUE(f->PicNuritubusiPic->isEnabled());
    EXPECT_EQ(f->surface().image(), f->surface().clean());
    EXPECT_EQ(f->mapPosition(), QPoint(0, 0));

    // The scroll bars work on map levels (the small map sits inside the viewport).
    f->PicNuritubusiIdou[1]->setEnabled(true);
    f->PicNuritubusiIdou_Click(1);
    EXPECT_EQ(f->mapPosition(), QPoint(f->BasePictureBox->width() - 80, 0));
    f->PicNuritubusiIdou_Click(0);
    EXPECT_EQ(f->mapPosition(), QPoint(0, 0));
}

TEST_F(DrillWindow, AnswersPerRunFromTheQuestionCount)
{
    const int cases[][2] = {{7, 7}, {10, 10}, {12, 10}, {1, 1}};
    for (const auto& c : cases) {
        dir.writeCp932(QStringLiteral("データ.csv"), manyQuestions(c[0]));
        for (int level : {1, 2}) {
            MainFrm* f = start(level);
            ASSERT_NE(f, nullptr);
            EXPECT_EQ(f->run()->questionsPerRun(), c[1]) << c[0] << " questions, level " << level;
            EXPECT_EQ(f->sLabel9->text(), QString::number(c[1]));
            screens::close(ScreenId::Drill);
            flushDeletes();
        }
    }
    // Titles of ten characters or more take the smaller type.
    state().ProgramTitle = QStringLiteral("日本の地形を覚えよう！");
    MainFrm* f = start(1);
    EXPECT_DOUBLE_EQ(f->sLabel2->font().pointSizeF(), 14.0);
}

TEST_F(DrillWindow, RightPressCountsAndAsksTheNext)
{
    MainFrm* f = start(1);
    const int first = f->run()->currentQuestion();
    const Question& q = f->content().table.at(first);
    press(f, q.seedX + 1, q.seedY + 1);
    EXPECT_EQ(f->run()->correctCount(), 1);
    EXPECT_EQ(f->sLabel9->text(), QStringLiteral("3"));
    EXPECT_TRUE(f->run()->answeredRight(first));
    EXPECT_EQ(fakes.sound.played.size(), 1);  // the correct cue
    EXPECT_NE(f->run()->phase(), Phase::Judging);
    EXPECT_NE(f->run()->phase(), Phase::Correction);
    // The next question: not the one just answered, on a clean map.
    EXPECT_NE(f->run()->currentQuestion(), first);
    EXPECT_EQ(f->surface().image(), f->surface().clean());
    EXPECT_TRUE(f->PicNuritubusiPic->isEnabled());
    EXPECT_FALSE(f->List2->isVisible());
}

TEST_F(DrillWindow, WrongPressShowsTheCorrection)
{
    MainFrm* f = start(1);
    const int asked = f->run()->currentQuestion();
    const Question& q = f->content().table.at(asked);

    // Sea, black and land (a sample colour) are no answer.
    for (QPoint p : {QPoint(3, 3), QPoint(50, 30), QPoint(40, 30)}) {
        press(f, p.x(), p.y());
        EXPECT_NE(f->run()->phase(), Phase::Correction);
        EXPECT_TRUE(f->PicNuritubusiPic->isEnabled());
    }
    EXPECT_TRUE(fakes.sound.played.isEmpty());

    const double startBefore = f->run()->startTime();
    const QPoint other = otherPatch(f);
    press(f, other.x(), other.y());
    EXPECT_EQ(f->run()->phase(), Phase::Correction);
    EXPECT_NE(f->run()->phase(), Phase::Judging);
    EXPECT_EQ(f->run()->correctCount(), 0);
    EXPECT_DOUBLE_EQ(f->run()->startTime(), startBefore - 10);
    EXPECT_EQ(fakes.sound.played.size(), 1);  // the wrong cue
    EXPECT_FALSE(f->PicNuritubusiPic->isEnabled());
    // The pressed patch pink, the right one light blue, with their names.
    EXPECT_EQ(f->surface().colourAt(other.x(), other.y()), mapcolour::Pressed);
    EXPECT_EQ(f->surface().colourAt(q.seedX, q.seedY), mapcolour::Corrected);
    const Question& pressed = f->content().table.at(f->run()->currentQuestion() == 2 ? 1 : 2);
    EXPECT_TRUE(f->Label5->isVisible());
    EXPECT_EQ(f->LblNuritubusi4->text(), pressed.displayName);
    EXPECT_EQ(f->Lblnuritubusi9->text(), pressed.secondDisplayName);
    EXPECT_EQ(f->LblNuritubusi2->text(), ShownForm(q.displayName));
    EXPECT_EQ(f->LblNuritubusi7->text(), ShownForm(q.secondDisplayName));
    EXPECT_EQ(background(f->LblNuritubusi2), kRightRed);
    EXPECT_EQ(background(f->Label3), kRightRed);
    EXPECT_EQ(background(f->LblNuritubusi4), kWrongViolet);
    EXPECT_TRUE(f->List2->isVisible());
    EXPECT_EQ(f->List2->count(), q.relatedCount());
    EXPECT_TRUE(f->CmdNuritubusikakunin->isVisible());

    // "次へ" (Enter presses it): the correction goes, and the same question is not asked next.
    EXPECT_EQ(f->focusWidget(), f->CmdNuritubusikakunin);
    QTest::keyClick(f, Qt::Key_Return);
    EXPECT_NE(f->run()->phase(), Phase::Correction);
    EXPECT_FALSE(f->CmdNuritubusikakunin->isVisible());
    EXPECT_FALSE(f->Label5->isVisible());
    EXPECT_FALSE(f->LblNuritubusi4->isVisible());
    EXPECT_EQ(background(f->LblNuritubusi2), kSlotGreen);
    EXPECT_NE(f->run()->currentQuestion(), asked);
    EXPECT_FALSE(f->run()->answeredRight(asked));
    EXPECT_TRUE(f->PicNuritubusiPic->isEnabled());
}

// A map question prompted by a related place that is true of another place
// too (here made up by the truth file): a press on that place counts without
// penalty, and the asked place is shown, ringed, until "次へ", which counts it.
TEST_F(DrillWindow, APressOnAnotherPlaceOfTheShownRelatedPlaceCountsAndShowsTheAskedOne)
{
    dir.writeCp932(QStringLiteral("関係データ.csv"), QStringLiteral("新潟県,信濃川,利根川\r\n"));
    fakes.random.queue = {0.1};  // question 1, 信濃川, prompted by "新潟県" below
    MainFrm* f = start(1);
    ASSERT_EQ(f->run()->currentQuestion(), 1);
    f->Label3->setText(QStringLiteral("新潟県"));
    const Question& asked = f->content().table.at(1);
    const Question& other = f->content().table.at(2);
    const double startBefore = f->run()->startTime();
    press(f, other.seedX, other.seedY);
    EXPECT_EQ(f->run()->phase(), Phase::Correction);
    EXPECT_DOUBLE_EQ(f->run()->startTime(), startBefore);  // no penalty
    EXPECT_FALSE(f->penaltyBadge->isVisible());
    EXPECT_EQ(fakes.sound.played.size(), 1);  // the correct cue
    EXPECT_EQ(f->mapSign->kind(), AnswerSign::Right);
    EXPECT_EQ(f->surface().colourAt(other.seedX, other.seedY), mapcolour::Question);
    EXPECT_EQ(f->surface().colourAt(asked.seedX, asked.seedY), mapcolour::Corrected);
    ASSERT_TRUE(f->PicNuritubusiPic->ring().has_value());
    EXPECT_EQ(*f->PicNuritubusiPic->ring(), QPoint(asked.seedX, asked.seedY));
    EXPECT_EQ(f->LblNuritubusi2->text(), ShownForm(asked.displayName));
    EXPECT_EQ(background(f->LblNuritubusi2), kRightRed) << "both places right: both in the right answer's colour";
    EXPECT_TRUE(f->Label5->isVisible());
    EXPECT_EQ(f->Label5->text(), QStringLiteral("あなたが押したのも正解"));
    EXPECT_EQ(f->LblNuritubusi4->text(), other.displayName);
    EXPECT_EQ(background(f->LblNuritubusi4), kRightRed);
    EXPECT_TRUE(f->CmdNuritubusikakunin->isVisible());
    EXPECT_EQ(f->run()->correctCount(), 0);

    f->CmdNuritubusikakunin_Click();
    EXPECT_EQ(f->run()->correctCount(), 1);
    EXPECT_TRUE(f->run()->answeredRight(1));
    EXPECT_EQ(f->run()->phase(), Phase::Asking);
    EXPECT_FALSE(f->PicNuritubusiPic->ring().has_value());
    EXPECT_FALSE(f->CmdNuritubusikakunin->isVisible());
    EXPECT_NE(f->run()->currentQuestion(), 1);
    EXPECT_EQ(fakes.sound.played.size(), 1);  // no second cue
    EXPECT_EQ(f->Label5->text(), QStringLiteral("あなたが押したのは"));
}

// A press two pixels beside the asked place (a finger beside a thin river)
// counts as a press on it; the "○" shows where it was pressed.
TEST_F(DrillWindow, APressBesideTheRightPlaceCountsAndShowsASign)
{
    MainFrm* f = start(1);
    const Question& q = f->content().table.at(f->run()->currentQuestion());
    const QRgb colour = f->surface().colourAt(q.seedX, q.seedY);
    int edge = q.seedX;
    while (f->surface().colourAt(edge + 1, q.seedY) == colour) ++edge;
    press(f, edge + 2, q.seedY);
    EXPECT_EQ(f->run()->correctCount(), 1);
    EXPECT_NE(f->run()->phase(), Phase::Correction);
    EXPECT_TRUE(f->mapSign->isVisible());
    EXPECT_EQ(f->mapSign->kind(), AnswerSign::Right);
    EXPECT_EQ(f->mapSign->pos() + QPoint(f->mapSign->width() / 2, f->mapSign->height() / 2), QPoint(edge, q.seedY));
    EXPECT_FALSE(f->penaltyBadge->isVisible());
}

// A wrong press: the "×" marks the pressed place, a ring round the right
// place's seed stays as long as the correction, and "+10秒" shows by the clock.
TEST_F(DrillWindow, AWrongPressRingsTheRightPlaceAndShowsThePenalty)
{
    MainFrm* f = start(1);
    const Question& q = f->content().table.at(f->run()->currentQuestion());
    const QPoint other = otherPatch(f);
    press(f, other.x(), other.y());
    ASSERT_EQ(f->run()->phase(), Phase::Correction);
    ASSERT_TRUE(f->PicNuritubusiPic->ring().has_value());
    EXPECT_EQ(*f->PicNuritubusiPic->ring(), QPoint(q.seedX, q.seedY));
    EXPECT_TRUE(f->mapSign->isVisible());
    EXPECT_EQ(f->mapSign->kind(), AnswerSign::Wrong);
    // The "×" is small and stands by the pressed place, never over the right one.
    EXPECT_LT(f->mapSign->width(), 40);
    const QRect sign = f->mapSign->geometry();
    const QPoint signCentre = sign.center();
    EXPECT_LE((signCentre - other).manhattanLength(), 3 * sign.width()) << "near the press";
    for (int y = sign.top(); y <= sign.bottom(); ++y)
        for (int x = sign.left(); x <= sign.right(); ++x)
            ASSERT_NE(f->surface().colourAt(x, y), mapcolour::Corrected) << "the × covers the right place at " << x << "," << y;
    // The ring is drawn above the sign.
    QWidget* ringLayer = f->PicNuritubusiPic->findChild<QWidget*>(QStringLiteral("RingLayer"));
    ASSERT_NE(ringLayer, nullptr);
    EXPECT_TRUE(ringLayer->isVisible());
    const QObjectList order = f->PicNuritubusiPic->children();
    EXPECT_GT(order.indexOf(ringLayer), order.indexOf(f->mapSign)) << "the ring is above the ×";
    EXPECT_TRUE(f->penaltyBadge->isVisible());
    EXPECT_EQ(f->penaltyBadge->text(), QStringLiteral("+10秒"));
    EXPECT_TRUE(f->penaltyBadge->geometry().intersects(f->sLabel10->geometry().adjusted(0, 0, 20, 0)))
        << "beside the clock";
    // No outline while the correction shows: a press would take nothing.
    f->PicNuritubusiPic_MouseMove(q.seedX, q.seedY);
    EXPECT_TRUE(f->PicNuritubusiPic->outlinedPatch().isNull());

    f->CmdNuritubusikakunin_Click();
    EXPECT_FALSE(f->PicNuritubusiPic->ring().has_value());
    EXPECT_FALSE(f->mapSign->isVisible());
}

// The place under the pointer (or a few pixels from it) is outlined on map
// levels, in runs as well as in practice, without naming it.
TEST_F(DrillWindow, TheOutlineShowsWhatAPressWouldTake)
{
    MainFrm* f = start(1);
    // Two pixels right of the first blue patch (x 25..34, y 15..24).
    f->PicNuritubusiPic_MouseMove(36, 20);
    const QImage& mask = f->PicNuritubusiPic->outlinedPatch();
    ASSERT_FALSE(mask.isNull());
    int inside = 0;
    for (int y = 0; y < mask.height(); ++y)
        for (int x = 0; x < mask.width(); ++x) inside += mask.constScanLine(y)[x] != 0;
    EXPECT_EQ(inside, 99) << "the patch without its odd pixel";
    EXPECT_NE(mask.constScanLine(20)[30], 0);
    EXPECT_TRUE(f->LblNuritubusi4->text().isEmpty() || f->LblNuritubusi4->isHidden()) << "nothing is named";
    EXPECT_EQ(f->surface().image(), f->surface().clean()) << "nothing is filled";
    // Far out at sea, or on land far from any place: no outline.
    f->PicNuritubusiPic_MouseMove(3, 3);
    EXPECT_TRUE(f->PicNuritubusiPic->outlinedPatch().isNull());
    f->PicNuritubusiPic_MouseMove(36, 20);
    f->PicNuritubusiPic_MouseMove(42, 30);
    EXPECT_TRUE(f->PicNuritubusiPic->outlinedPatch().isNull());
    // On to another place: its outline.
    f->PicNuritubusiPic_MouseMove(60, 40);
    ASSERT_FALSE(f->PicNuritubusiPic->outlinedPatch().isNull());
    EXPECT_NE(f->PicNuritubusiPic->outlinedPatch().constScanLine(40)[60], 0);
    EXPECT_EQ(f->PicNuritubusiPic->outlinedPatch().constScanLine(20)[30], 0);
}

TEST_F(DrillWindow, ClockPenaltyCountdownAndBar)
{
    MainFrm* f = start(1);
    tickAt(f, 20.0);
    EXPECT_EQ(f->sLabel10->text(), QStringLiteral("20"));
    EXPECT_EQ(f->run()->elapsed(), 20);
    const QPoint other = otherPatch(f);
    press(f, other.x(), other.y());
    // One second later the clock reads 31: the second plus the penalty.
    fakes.clock.advanceMs(1000);
    f->sTimer1_Timer();
    EXPECT_EQ(f->sLabel10->text(), QStringLiteral("31"));
    EXPECT_EQ(f->sShape2->width(), 31 * f->sShape5->width() / 450);

    // The Pass row (target 60) counts down over the last ten seconds.
    tickAt(f, 50.0);
    for (int b = 10; b <= 39; ++b) EXPECT_FALSE(f->sPicture3[size_t(b)]->isHidden()) << b;
    tickAt(f, 51.0);
    EXPECT_TRUE(f->sPicture3[30]->isHidden());
    EXPECT_FALSE(f->sPicture3[31]->isHidden());
    tickAt(f, 60.0);
    for (int b = 30; b <= 39; ++b) EXPECT_TRUE(f->sPicture3[size_t(b)]->isHidden()) << b;
    // Best and YourBest (no threshold) stay complete.
    for (int b = 10; b <= 29; ++b) EXPECT_FALSE(f->sPicture3[size_t(b)]->isHidden()) << b;
    EXPECT_FALSE(f->run()->timeOver());
}

TEST_F(DrillWindow, TimeOverAtFiveTimesTheLimitButNotWhileJudging)
{
    MainFrm* f = start(1);
    QPointer<MainFrm> alive(f);
    tickAt(f, 449.0);
    EXPECT_FALSE(f->run()->timeOver());
    EXPECT_LT(f->sShape2->width(), f->sShape5->width());

    // A right answer whose cue is still playing at the limit.
    fakes.sound.endAtOnce = false;
    const Question& q = f->content().table.at(f->run()->currentQuestion());
    press(f, q.seedX, q.seedY);
    ASSERT_EQ(f->run()->phase(), Phase::Judging);
    tickAt(f, 450.0);
    EXPECT_FALSE(f->run()->timeOver());
    EXPECT_EQ(f->sShape2->width(), f->sShape5->width());
    EXPECT_TRUE(f->sTimer1->isActive());

    fakes.sound.finish();
    EXPECT_EQ(f->run()->phase(), Phase::Asking);
    tickAt(f, 451.0);
    EXPECT_TRUE(f->run()->timeOver());
    EXPECT_EQ(f->run()->phase(), Phase::Finishing);
    EXPECT_EQ(state().RunTime, kNoTime);
    EXPECT_FALSE(f->sTimer1->isActive());
    EXPECT_TRUE(f->lblsss2->isVisibleTo(f->sPicture2));
    EXPECT_FALSE(f->lblsss1->isVisibleTo(f->sPicture2));
    EXPECT_TRUE(resultsStored());
    // The finish screen after a second's pause, once the tick's handler has returned.
    EXPECT_EQ(finishShown, 0);
    settle(f);
    EXPECT_EQ(finishShown, 1);
    EXPECT_FALSE(alive);
    EXPECT_EQ(screens::find(ScreenId::Drill), nullptr);
}

TEST_F(DrillWindow, RunTimeIsTheLastTicksFigure)
{
    MainFrm* f = start(1);
    answerRightUntilOneLeft(f);
    tickAt(f, 37.0);
    fakes.clock.advanceMs(700);
    const Question& q = f->content().table.at(f->run()->currentQuestion());
    press(f, q.seedX, q.seedY);
    EXPECT_EQ(f->run()->phase(), Phase::Finishing);
    EXPECT_FALSE(f->run()->timeOver());
    EXPECT_EQ(state().RunTime, 37);
    EXPECT_TRUE(f->lblsss1->isVisibleTo(f->sPicture2));
    EXPECT_FALSE(f->sTimer1->isActive());
    EXPECT_TRUE(resultsStored());
    // Ticks after the end do nothing more.
    tickAt(f, 600.0);
    EXPECT_FALSE(f->run()->timeOver());
    EXPECT_EQ(state().RunTime, 37);
    settle(f);
    EXPECT_EQ(finishShown, 1);
}

TEST_F(DrillWindow, ARunAcrossMidnightHasItsTrueLength)
{
    // Started at 23:59:50: the run's time is measured on the monotonic clock,
    // not read off the time of day, which starts again at midnight.
    for (const bool answered : {true, false}) {
        SCOPED_TRACE(answered ? "answered at 00:00:20" : "time over at 00:07:31");
        fakes.clock.current = QDateTime(QDate(2026, 12, 10), QTime(23, 59, 50));
        finishShown = 0;
        MainFrm* f = start(1);
        ASSERT_NE(f, nullptr);
        if (answered) {
            answerRightUntilOneLeft(f);
            fakes.clock.advanceMs(30000);
            f->sTimer1_Timer();
            EXPECT_EQ(fakes.clock.current.time(), QTime(0, 0, 20));
            EXPECT_EQ(f->run()->elapsed(), 30);
            EXPECT_EQ(f->sLabel10->text(), QStringLiteral("30"));
            const Question& q = f->content().table.at(f->run()->currentQuestion());
            press(f, q.seedX, q.seedY);
            EXPECT_FALSE(f->run()->timeOver());
            EXPECT_EQ(state().RunTime, 30);
        } else {
            fakes.clock.advanceMs(449000);
            f->sTimer1_Timer();
            EXPECT_FALSE(f->run()->timeOver());
            fakes.clock.advanceMs(2000);  // past five times the limit of 90 s
            f->sTimer1_Timer();
            EXPECT_TRUE(f->run()->timeOver());
            EXPECT_EQ(state().RunTime, kNoTime);
        }
        settle(f);
        EXPECT_EQ(finishShown, 1);
    }
}

TEST_F(DrillWindow, MinutesSinceSignInCountOnAcrossMidnightAndAClockCorrection)
{
    fakes.clock.current = QDateTime(QDate(2026, 12, 10), QTime(23, 58, 30));
    state().SignInTime = Loose(clockNow());
    state().SignInClock = fakes.clock.monotonicSeconds();
    MainFrm* f = start(1);
    ASSERT_NE(f, nullptr);
    fakes.clock.advanceMs(3 * 60000 + 5000);  // 00:01:35 the next day
    f->sTimer2_Timer();
    EXPECT_EQ(f->sLabel13->text(), QStringLiteral("3"));
    fakes.clock.current = fakes.clock.current.addSecs(-7200);  // the time of day corrected back
    fakes.clock.advanceMs(60000);
    f->sTimer2_Timer();
    EXPECT_EQ(f->sLabel13->text(), QStringLiteral("4"));
}

TEST_F(DrillWindow, ARunEndedBeforeTheFirstTickTakesNoTimeFromTheRunBefore)
{
    state().RunTime = 57;  // the previous run's figure
    MainFrm* f = start(1);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->run()->elapsed(), 0);
    answerRightUntilOneLeft(f);
    const Question& q = f->content().table.at(f->run()->currentQuestion());
    press(f, q.seedX, q.seedY);
    EXPECT_EQ(f->run()->phase(), Phase::Finishing);
    EXPECT_EQ(state().RunTime, 0);
}

TEST_F(DrillWindow, NoLimitTimeMeansNoBarAndNoTimeOver)
{
    state().LimitTime[1] = 0;
    MainFrm* f = start(1);
    EXPECT_FALSE(f->sShape5->isVisible());
    tickAt(f, 5000.0);
    EXPECT_EQ(f->sLabel10->text(), QStringLiteral("5000"));
    EXPECT_FALSE(f->run()->timeOver());
    EXPECT_TRUE(f->sTimer1->isActive());
}

TEST_F(DrillWindow, ListLevelArrangementAndAnswers)
{
    fakes.random.queue = {0.1};  // the first question: 信濃川
    MainFrm* f = start(2);
    ASSERT_EQ(f->run()->currentQuestion(), 1);
    EXPECT_EQ(f->LblNuritubusiSiji->text(), QStringLiteral("赤色の付いているのはどこ"));
    EXPECT_EQ(f->LblNuritubusiSiji->y(), f->Label4[5]->y());
    EXPECT_EQ(f->Label6->y(), f->Label4[1]->y());
    EXPECT_EQ(f->CmdNuritubusikakunin->geometry(), f->CmdNuritubusiOK->geometry());
    EXPECT_EQ(f->ListNuritubusi2->y(), f->ListNuritubusi->y());
    EXPECT_EQ(f->List3->y(), f->ListNuritubusi->y() + f->ListNuritubusi->height());
    EXPECT_TRUE(f->ListNuritubusi->isVisible());
    EXPECT_TRUE(f->CmdNuritubusiOK->isVisible());
    EXPECT_TRUE(f->List3->isVisible());
    EXPECT_EQ(f->List3->count(), 5);
    EXPECT_EQ(f->LblNuritubusi2->text(), QStringLiteral("?"));
    EXPECT_EQ(f->LblNuritubusi7->text(), QStringLiteral("?"));
    EXPECT_EQ(f->Label3->text(), QStringLiteral("?"));
    // The question's area is red; the scroll controls do nothing here.
    EXPECT_EQ(f->surface().colourAt(30, 20), mapcolour::Question);
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(f->PicNuritubusiIdou[size_t(i)]->isEnabled());
    const QPoint before = f->mapPosition();
    QTest::mouseClick(f->PicNuritubusiIdou[1], Qt::LeftButton);
    QTest::mouseClick(f->PicNuritubusiIdou2[3], Qt::LeftButton);
    EXPECT_EQ(f->mapPosition(), before);
    // Presses on the map are no answer on list levels.
    press(f, 30, 20);
    EXPECT_NE(f->run()->phase(), Phase::Judging);
    EXPECT_EQ(fakes.sound.played.size(), 0);

    // Headings change nothing, by click or double click.
    const int heading = rowOf(f->ListNuritubusi, QStringLiteral("－－か－－"));
    ASSERT_GE(heading, 0);
    f->ListNuritubusi_Click(heading);
    f->ListNuritubusi_DblClick(heading);
    EXPECT_EQ(f->LblNuritubusi2->text(), QStringLiteral("?"));
    EXPECT_TRUE(f->ListNuritubusi->isVisible());
    EXPECT_EQ(f->run()->correctCount(), 0);

    // The right answer, chosen from the lists.
    f->ListNuritubusi_Click(rowOf(f->ListNuritubusi, QStringLiteral("信濃川           (しなのがわ)")));
    f->ListNuritubusi2_Click(rowOf(f->ListNuritubusi2, QStringLiteral("千曲川           (ちくまがわ)")));
    f->List3_Click(rowOf(f->List3, f->CorrectRelated));
    EXPECT_EQ(f->LblNuritubusi2->text(), QStringLiteral("信濃川(しなのがわ)"));
    EXPECT_EQ(f->LblNuritubusi7->text(), QStringLiteral("千曲川(ちくまがわ)"));
    QTest::mouseClick(f->CmdNuritubusiOK, Qt::LeftButton);
    EXPECT_EQ(f->run()->correctCount(), 1);
    EXPECT_NE(f->run()->phase(), Phase::Judging);
    EXPECT_EQ(f->sLabel9->text(), QStringLiteral("3"));
    EXPECT_NE(f->run()->currentQuestion(), 1);
    // A right answer shows its "○" beside the answer slots, with no sound needed.
    EXPECT_TRUE(f->listSign->isVisible());
    EXPECT_EQ(f->listSign->kind(), AnswerSign::Right);
    EXPECT_TRUE(f->LblNuritubusi2->geometry().intersects(f->listSign->geometry()));
    EXPECT_FALSE(f->penaltyBadge->isVisible());

    // A wrong answer: the slots show which part was wrong, the key is shown.
    const int asked = f->run()->currentQuestion();
    const double startBefore = f->run()->startTime();
    const ListKey key = listKey(f->content().table.at(asked));
    const Question& other = f->content().table.at(asked == 2 ? 1 : 2);
    f->ListNuritubusi_Click(rowOf(f->ListNuritubusi, visibleListEntry(nameListEntry(other.displayName))));
    f->CmdNuritubusiOK_Click();
    EXPECT_EQ(f->run()->phase(), Phase::Correction);
    EXPECT_EQ(background(f->LblNuritubusi2), kWrongViolet);
    EXPECT_EQ(background(f->Lblnuritubusi1), kRightRed) << "the right name in the right answer's colour";
    EXPECT_TRUE(f->Label6->isVisible());
    EXPECT_EQ(f->Lblnuritubusi1->text(), key.name);
    EXPECT_EQ(f->LblNuritubusi8->text(), key.second);
    EXPECT_EQ(f->LblNuritubusiSiji->text(), QStringLiteral("あなたが選んだのは"));
    EXPECT_FALSE(f->ListNuritubusi->isVisible());
    EXPECT_FALSE(f->List3->isVisible());
    EXPECT_FALSE(f->CmdNuritubusiOK->isVisible());
    EXPECT_TRUE(f->CmdNuritubusikakunin->isVisible());
    EXPECT_DOUBLE_EQ(f->run()->startTime(), startBefore - 10);
    EXPECT_TRUE(f->listSign->isVisible());
    EXPECT_EQ(f->listSign->kind(), AnswerSign::Wrong);
    EXPECT_TRUE(f->penaltyBadge->isVisible());
    EXPECT_EQ(f->penaltyBadge->text(), QStringLiteral("+10秒"));
    // A second submission while the correction shows does nothing.
    f->CmdNuritubusiOK_Click();
    EXPECT_EQ(fakes.sound.played.size(), 2);

    f->CmdNuritubusikakunin_Click();
    EXPECT_NE(f->run()->phase(), Phase::Correction);
    EXPECT_FALSE(f->listSign->isVisible()) << "the × goes with the correction";
    EXPECT_EQ(f->LblNuritubusiSiji->text(), QStringLiteral("色の付いているのはどこ"));
    EXPECT_TRUE(f->CmdNuritubusiOK->isVisible());
    EXPECT_FALSE(f->Label6->isVisible());
    EXPECT_EQ(background(f->LblNuritubusi2), kSlotGreen);
    EXPECT_NE(f->run()->currentQuestion(), asked);
}

TEST_F(DrillWindow, ListQuestionWithoutSecondNameOrRelatedPlace)
{
    fakes.random.queue = {0.9};  // ナゾ川: no reading, no second name, no related place
    MainFrm* f = start(2);
    ASSERT_EQ(f->run()->currentQuestion(), 4);
    EXPECT_EQ(f->LblNuritubusi7->text(), QStringLiteral("-"));
    EXPECT_FALSE(f->ListNuritubusi2->isEnabled());
    // The pupil sees that the second-name list takes no choice: no dark ink in it.
    auto hasDarkInk = [](QListWidget* list) {
        list->doItemsLayout();
        const QImage img = list->viewport()->grab().toImage();
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (qGray(img.pixel(x, y)) < 80) return true;
        return false;
    };
    EXPECT_TRUE(hasDarkInk(f->ListNuritubusi));
    EXPECT_FALSE(hasDarkInk(f->ListNuritubusi2));
    EXPECT_TRUE(f->Label3->isHidden());
    EXPECT_FALSE(f->List3->isVisible());
    // Double-clicking the name submits: the hidden related slot counts as right.
    f->ListNuritubusi_DblClick(rowOf(f->ListNuritubusi, QStringLiteral("ナゾ川")));
    EXPECT_EQ(f->run()->correctCount(), 1);

    // A hidden reading: the name alone goes into the slot and matches the key.
    fakes.random.queue = {0.6};  // 浜名湖
    screens::close(ScreenId::Drill);
    flushDeletes();
    PreviousQuestion() = 0;
    StartRun();
    f = screens::findAs<MainFrm>(ScreenId::Drill);
    ASSERT_EQ(f->run()->currentQuestion(), 3);
    f->ListNuritubusi_Click(rowOf(f->ListNuritubusi, QStringLiteral("浜名湖           (は＊まなこ)")));
    EXPECT_EQ(f->LblNuritubusi2->text(), QStringLiteral("浜名湖"));
    f->List3_DblClick(rowOf(f->List3, QStringLiteral("静岡県")));
    EXPECT_EQ(f->run()->correctCount(), 1);
    EXPECT_NE(f->run()->phase(), Phase::Correction);
}

// The cue does not hold the window: clicks made while it plays (the second
// click of a double click on "O.K.") reach "次へ" at once, and are ignored
// until the cue has ended.
TEST_F(DrillWindow, ClicksMadeDuringTheWrongCueDoNotTakeTheCorrectionAway)
{
    fakes.sound.endAtOnce = false;
    MainFrm* f = start(2);
    const int asked = f->run()->currentQuestion();
    QTest::mouseClick(f->CmdNuritubusiOK, Qt::LeftButton);  // nothing chosen: wrong
    ASSERT_TRUE(fakes.sound.playing());
    EXPECT_EQ(f->run()->phase(), Phase::Judging);
    EXPECT_TRUE(f->CmdNuritubusikakunin->isVisible());
    QTest::mouseClick(f->CmdNuritubusikakunin, Qt::LeftButton);
    f->CmdNuritubusikakunin_Click();
    QTest::mouseClick(f->CmdNuritubusiOK, Qt::LeftButton);
    EXPECT_TRUE(f->CmdNuritubusikakunin->isVisible());
    EXPECT_EQ(f->run()->currentQuestion(), asked);

    fakes.sound.finish();
    EXPECT_EQ(f->run()->phase(), Phase::Correction);
    EXPECT_TRUE(f->CmdNuritubusikakunin->isVisible());
    EXPECT_TRUE(f->CmdNuritubusikakunin->isEnabled());
    EXPECT_EQ(f->focusWidget(), f->CmdNuritubusikakunin);
    EXPECT_EQ(f->run()->currentQuestion(), asked);
    // A deliberate press afterwards goes on as before.
    QTest::mouseClick(f->CmdNuritubusikakunin, Qt::LeftButton);
    EXPECT_EQ(f->run()->phase(), Phase::Asking);
    EXPECT_FALSE(f->CmdNuritubusikakunin->isVisible());
}

// A press on the map while the cue of a wrong answer plays is no answer, and
// changes nothing of the correction.
TEST_F(DrillWindow, APressDuringTheAnswerCueIsIgnored)
{
    fakes.sound.endAtOnce = false;
    MainFrm* f = start(1);
    const int asked = f->run()->currentQuestion();
    const QPoint other = otherPatch(f);
    press(f, other.x(), other.y());
    ASSERT_EQ(f->run()->phase(), Phase::Judging);
    const QString pressedName = f->LblNuritubusi4->text();
    const QImage shown = f->surface().image();
    const Question& q = f->content().table.at(asked);
    f->PicNuritubusiPic_MouseDown(q.seedX, q.seedY);  // the right place, too late
    EXPECT_EQ(f->LblNuritubusi4->text(), pressedName);
    EXPECT_EQ(f->surface().image(), shown);
    EXPECT_EQ(fakes.sound.played.size(), 1);
    EXPECT_EQ(f->run()->correctCount(), 0);
    fakes.sound.finish();
    EXPECT_EQ(f->run()->phase(), Phase::Correction);
    EXPECT_EQ(f->run()->currentQuestion(), asked);
}

namespace {

// Counts the frames a widget draws.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* w) { w->installEventFilter(this); }
    int frames = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint) ++frames;
        return false;
    }
};

// Input as it comes from the pupil while the window waits for nothing: a
// press on every question's place and the keys that answer or go on, all
// through the event queue, delivered at once.
void pressEverywhereAndType(MainFrm* f)
{
    for (int q = 1; q <= f->content().table.count(); ++q) {
        const Question& question = f->content().table.at(q);
        if (question.seedX <= 0) continue;
        const QPointF at = f->PicNuritubusiPic->viewportPointOf(QPoint(question.seedX, question.seedY)) -
                           QPointF(f->PicNuritubusiPic->pos());
        for (QEvent::Type t : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
            QCoreApplication::postEvent(f->PicNuritubusiPic,
                                        new QMouseEvent(t, at, f->PicNuritubusiPic->mapToGlobal(at), Qt::LeftButton,
                                                        t == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                                        Qt::NoModifier));
    }
    QWidget* keys = f->focusWidget() ? f->focusWidget() : f;
    for (const QString& text : {QStringLiteral("t"), QStringLiteral("o"), QStringLiteral("n"), QStringLiteral("e")})
        QCoreApplication::postEvent(keys, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, text));
    for (int key : {Qt::Key_Down, Qt::Key_Return, Qt::Key_Space})
        QCoreApplication::postEvent(keys, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
    test::keepResponsive();
}

} // namespace

// While a cue plays the window goes on drawing: the answer (its fill and the
// related places) shows at once, the ring round the right place pulses and
// the clock moves, all before the cue has ended.
TEST_F(DrillWindow, TheWindowGoesOnDrawingWhileACuePlays)
{
    fakes.sound.endAtOnce = false;
    fakes.random.queue = {0.1};  // 信濃川, which has related places
    MainFrm* f = start(1);
    ASSERT_TRUE(f->isVisible());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f));
    PaintCounter map(f->PicNuritubusiPic);
    PaintCounter related(f->List2);
    PaintCounter clockFigure(f->sLabel10);
    const Question& right = f->content().table.at(f->run()->currentQuestion());
    press(f, right.seedX, right.seedY);
    ASSERT_EQ(f->run()->phase(), Phase::Judging);
    ASSERT_TRUE(fakes.sound.playing());
    EXPECT_TRUE(QTest::qWaitFor([&] { return map.frames > 0 && related.frames > 0; }, 5000))
        << "map frames " << map.frames << ", related-place frames " << related.frames;
    EXPECT_TRUE(f->List2->isVisible());
    EXPECT_GT(f->List2->count(), 0);
    tickAt(f, 4.0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return clockFigure.frames > 0; }, 5000));
    EXPECT_EQ(f->sLabel10->text(), QStringLiteral("4"));
    EXPECT_TRUE(fakes.sound.playing());
    fakes.sound.finish();
    ASSERT_EQ(f->run()->phase(), Phase::Asking);

    // A wrong press: its cue plays while the ring round the right place swells.
    const QPoint other = otherPatch(f);
    press(f, other.x(), other.y());
    ASSERT_EQ(f->run()->phase(), Phase::Judging);
    auto* ringLayer = f->PicNuritubusiPic->findChild<QWidget*>(QStringLiteral("RingLayer"));
    ASSERT_NE(ringLayer, nullptr);
    PaintCounter ring(ringLayer);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ring.frames >= 3; }, 5000)) << "ring frames " << ring.frames;
    EXPECT_TRUE(fakes.sound.playing());
    fakes.sound.finish();
    EXPECT_EQ(f->run()->phase(), Phase::Correction);
}

// Presses and keys that come while a right answer's cue plays are dropped:
// none of them answers the next question once the cue has ended.
TEST_F(DrillWindow, InputDuringARightCueIsDroppedNotKeptForLater)
{
    fakes.sound.endAtOnce = false;
    MainFrm* f = start(1);
    const int first = f->run()->currentQuestion();
    const Question& right = f->content().table.at(first);
    press(f, right.seedX, right.seedY);
    ASSERT_EQ(f->run()->phase(), Phase::Judging);
    const QString pressedName = f->LblNuritubusi2->text();

    pressEverywhereAndType(f);
    EXPECT_EQ(f->run()->phase(), Phase::Judging);
    EXPECT_EQ(f->LblNuritubusi2->text(), pressedName);
    EXPECT_EQ(fakes.sound.played.size(), 1);

    fakes.sound.finish();
    test::keepResponsive();
    ASSERT_EQ(f->run()->phase(), Phase::Asking);
    EXPECT_NE(f->run()->currentQuestion(), first);
    EXPECT_EQ(f->run()->correctCount(), 1);
    EXPECT_EQ(fakes.sound.played.size(), 1) << "no second answer was judged";
    EXPECT_EQ(f->surface().image(), f->surface().clean()) << "the next question's map is untouched";
    EXPECT_TRUE(f->PicNuritubusiPic->isEnabled());
    EXPECT_FALSE(f->Label5->isVisible());
}

// The same on a list level: what is typed during the cue chooses nothing for
// the next question.
TEST_F(DrillWindow, TypingDuringARightCueOnAListLevelChoosesNothing)
{
    fakes.sound.endAtOnce = false;
    fakes.random.queue = {0.1};  // 信濃川
    MainFrm* f = start(2);
    ASSERT_EQ(f->run()->currentQuestion(), 1);
    QTest::keyClicks(f->ListNuritubusi, QStringLiteral("shina"));
    QTest::keyClick(f->ListNuritubusi, Qt::Key_Return);
    fakes.clock.advanceMs(2000);
    QTest::keyClicks(f->ListNuritubusi2, QStringLiteral("chikuma"));
    for (int row = 0; row < f->List3->count(); ++row)
        if (f->List3->item(row)->text().trimmed() == f->CorrectRelated) f->List3_Click(row);
    QTest::mouseClick(f->CmdNuritubusiOK, Qt::LeftButton);
    ASSERT_EQ(f->run()->phase(), Phase::Judging);

    pressEverywhereAndType(f);
    QTest::mouseClick(f->CmdNuritubusiOK, Qt::LeftButton);
    EXPECT_EQ(f->run()->phase(), Phase::Judging);

    fakes.sound.finish();
    test::keepResponsive();
    ASSERT_EQ(f->run()->phase(), Phase::Asking);
    EXPECT_EQ(f->run()->correctCount(), 1);
    EXPECT_EQ(fakes.sound.played.size(), 1);
    EXPECT_EQ(f->LblNuritubusi2->text(), QStringLiteral("?"));
    EXPECT_TRUE(f->ListNuritubusi->selectedItems().isEmpty());
    EXPECT_TRUE(f->CmdNuritubusiOK->isEnabled());
}

TEST_F(DrillWindow, PreviousQuestionCarriesOverToTheNextRun)
{
    fakes.random.queue = {0.3};  // question 2
    MainFrm* f = start(1);
    ASSERT_EQ(f->run()->currentQuestion(), 2);
    screens::close(ScreenId::Drill);
    flushDeletes();
    // The next run (any level) does not open with question 2.
    fakes.random.queue = {0.3, 0.3, 0.8};
    f = start(2);
    EXPECT_EQ(f->run()->currentQuestion(), 4);
}

TEST_F(DrillWindow, EmptyDataFileGoesBackWithoutARecord)
{
    dir.writeCp932(QStringLiteral("データ.csv"), QString());
    MainFrm* f = start(1);
    EXPECT_EQ(f->run(), nullptr);
    test::keepResponsive();  // the way back is taken once the activation has returned
    flushDeletes();
    ASSERT_EQ(fakes.messages.shown.size(), 1);
    EXPECT_TRUE(fakes.messages.shown[0].second.contains(QStringLiteral("データ.csv")));
    EXPECT_TRUE(fakes.messages.shown[0].second.contains(QStringLiteral("問題がありません")));
    EXPECT_EQ(dashboardShown, 1);
    EXPECT_FALSE(waitShown());
    EXPECT_EQ(screens::find(ScreenId::Drill), nullptr);
    EXPECT_FALSE(resultsStored());
}

TEST_F(DrillWindow, PracticeNamesWhatIsUnderTheMouse)
{
    MainFrm* f = start(1, 1);
    EXPECT_EQ(f->LblNuritubusiSiji->text(), QStringLiteral("マウスを動かして覚えなさい"));
    EXPECT_EQ(f->LblNuritubusiSiji->y(), f->Label4[3]->y());
    EXPECT_EQ(f->LblNuritubusi2->y(), f->Label4[0]->y() + f->LblNuritubusi2->height());
    EXPECT_TRUE(f->Label3->isHidden());
    EXPECT_TRUE(f->CmdNuritubusimodoru->isVisible());
    EXPECT_FALSE(f->ListNuritubusi->isVisible());
    EXPECT_EQ(f->run()->currentQuestion(), 0);
    EXPECT_TRUE(f->sTimer1->isActive());

    auto move = [&](int x, int y) {
        QMouseEvent e(QEvent::MouseMove, QPointF(x + 0.4, y + 0.4), f->PicNuritubusiPic->mapToGlobal(QPointF(x, y)),
                      Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(f->PicNuritubusiPic, &e);
    };
    move(31, 21);
    EXPECT_EQ(f->LblNuritubusi2->text(), QStringLiteral("信濃川(しなのがわ)"));
    EXPECT_EQ(f->LblNuritubusi7->text(), QStringLiteral("千曲川(ちくまがわ)"));
    // The place named is outlined too; beside it (on land) practice names nothing and outlines nothing.
    ASSERT_FALSE(f->PicNuritubusiPic->outlinedPatch().isNull());
    EXPECT_NE(f->PicNuritubusiPic->outlinedPatch().constScanLine(20)[30], 0);
    move(36, 21);
    EXPECT_TRUE(f->PicNuritubusiPic->outlinedPatch().isNull());
    move(31, 21);
    EXPECT_EQ(f->List2->count(), 2);
    EXPECT_TRUE(f->List2->isVisible());
    EXPECT_EQ(f->Label7->text(), QStringLiteral(" 信濃川(しなのがわ) "));
    EXPECT_TRUE(f->Label7->isVisible());
    EXPECT_TRUE(f->Label8->isVisible());
    EXPECT_TRUE(f->Label9->isVisible());
    EXPECT_EQ(f->Label9->text(), QStringLiteral("長野県\r\n新潟県"));
    // Readable: the related places in a font as large as the answer panel's lists'.
    EXPECT_GE(f->Label9->font().pixelSize(), 16);
    // The captions stand on the viewport away from the place explored: none
    // comes within the clearance of the pointer.
    const QRect keepFree(QPoint(31 - kCaptionClearance, 21 - kCaptionClearance),
                         QSize(2 * kCaptionClearance, 2 * kCaptionClearance));
    for (QLabel* l : {f->Label7, f->Label8, f->Label9}) {
        EXPECT_EQ(l->parentWidget(), f->BasePictureBox);
        EXPECT_FALSE(l->geometry().intersects(keepFree)) << l->objectName().toStdString();
        EXPECT_TRUE(f->BasePictureBox->rect().contains(l->geometry())) << l->objectName().toStdString();
    }
    EXPECT_EQ(f->surface().colourAt(30, 20), mapcolour::Question);

    // No second name: no second caption.
    move(60, 40);
    EXPECT_EQ(f->LblNuritubusi2->text(), QStringLiteral("浜名湖"));
    EXPECT_FALSE(f->Label8->isVisible());
    EXPECT_EQ(f->surface().colourAt(30, 20), test::kBlue);

    // A black border changes nothing; the sea clears but leaves the red area.
    move(50, 30);
    EXPECT_EQ(f->LblNuritubusi2->text(), QStringLiteral("浜名湖"));
    move(3, 3);
    EXPECT_TRUE(f->LblNuritubusi2->text().isEmpty());
    EXPECT_EQ(f->List2->count(), 0);
    EXPECT_FALSE(f->Label7->isVisible());
    EXPECT_EQ(f->surface().colourAt(60, 40), mapcolour::Question);

    // Presses do not answer in practice.
    press(f, 30, 20);
    EXPECT_NE(f->run()->phase(), Phase::Judging);
    EXPECT_TRUE(fakes.sound.played.isEmpty());

    // "戻る": back to the dashboard with nothing recorded.
    QTest::mouseClick(f->CmdNuritubusimodoru, Qt::LeftButton);
    EXPECT_EQ(f->run()->phase(), Phase::Done);
    EXPECT_TRUE(f->sPicture2->isVisible());
    EXPECT_FALSE(f->lblsss1->isVisibleTo(f->sPicture2));
    EXPECT_FALSE(f->lblsss2->isVisibleTo(f->sPicture2));
    test::keepResponsive();
    flushDeletes();
    EXPECT_EQ(dashboardShown, 1);
    EXPECT_FALSE(waitShown());
    EXPECT_EQ(finishShown, 0);
    EXPECT_EQ(screens::find(ScreenId::Drill), nullptr);
    EXPECT_FALSE(resultsStored());
}

// "戻る" and the clock's last tick of practice on a timed level: whichever
// comes first decides, and the other is ignored. "戻る" first records
// nothing; the limit first ends practice as a time-over run, recorded.
TEST_F(DrillWindow, PracticeBackAndTimeOverMeet)
{
    for (bool backFirst : {true, false}) {
        SCOPED_TRACE(backFirst ? "back first" : "tick first");
        MainFrm* f = start(1, 1);
        ASSERT_NE(f, nullptr);
        if (backFirst) {
            QTest::mouseClick(f->CmdNuritubusimodoru, Qt::LeftButton);
            tickAt(f, 451.0);
            EXPECT_FALSE(f->run()->timeOver());
        } else {
            tickAt(f, 451.0);
            QTest::mouseClick(f->CmdNuritubusimodoru, Qt::LeftButton);
            EXPECT_TRUE(f->run()->timeOver());
            EXPECT_TRUE(f->lblsss2->isVisibleTo(f->sPicture2));
        }
        fakes.clock.advanceMs(DrillRun::kFinishPauseMs);
        test::keepResponsive();
        flushDeletes();
        EXPECT_EQ(finishShown, backFirst ? 0 : 1);
        EXPECT_EQ(dashboardShown, backFirst ? 1 : 0);
        EXPECT_EQ(resultsStored(), !backFirst);
        EXPECT_EQ(screens::find(ScreenId::Drill), nullptr);
        screens::closeAll();
        flushDeletes();
        finishShown = 0;
        dashboardShown = 0;
    }
}

TEST_F(DrillWindow, MapLevelIgnoresMouseMovesAndAMissingMapGoesBack)
{
    MainFrm* f = start(1);
    f->PicNuritubusiPic_MouseMove(31, 21);
    EXPECT_FALSE(f->Label7->isVisible());
    EXPECT_EQ(f->surface().image(), f->surface().clean());
    screens::close(ScreenId::Drill);
    flushDeletes();

    setMapImageSource([](const QString&) { return QImage(); });
    start(1);
    test::keepResponsive();
    flushDeletes();
    ASSERT_EQ(fakes.messages.shown.size(), 1);
    EXPECT_TRUE(fakes.messages.shown[0].second.contains(QStringLiteral("日本川")));
    EXPECT_EQ(screens::find(ScreenId::Drill), nullptr);
    EXPECT_EQ(dashboardShown, 1);
}


// The map widget alone, smaller than the map so that zoom and scrolling show:
// a click anywhere on the screen reports the map pixel under it, at every
// zoom and scroll position; a drag moves the map and answers nothing; the
// wheel zooms round the pointer; a disabled map still zooms but takes no press.
TEST(MapViewZoom, ClicksReportTheMapPixelUnderThemAtEveryZoom)
{
    test::FakePlatform fakes;
    MapSurface surface;
    surface.load(test::fixtureMap());  // 80 x 60
    QWidget viewport;
    viewport.resize(40, 30);
    MapView view(&surface, &viewport);
    view.refresh();
    std::vector<QPoint> taken;
    QObject::connect(&view, &MapView::pressed, [&](int x, int y) { taken.emplace_back(x, y); });
    // (not 0,0: QTest reads a null point as the widget's centre)
    const QPoint pixels[] = {{30, 20}, {27, 17}, {1, 1}, {0, 59}, {79, 59}, {55, 40}, {50, 30}};
    int clicks = 0;
    for (double zoom : kZoomSteps) {
        view.setZoom(zoom, QPointF(20, 15));
        EXPECT_EQ(view.size(), zoomedSize(QSize(80, 60), zoom));
        for (QPoint at : {QPoint(0, 0), QPoint(-1000, -1000), QPoint(-17, -9)}) {
            view.move(clampedPosition(at, viewport.size(), view.size()));
            for (QPoint p : pixels) {
                const QPointF centre = viewportRectOf(p, QPoint(0, 0), zoom).center();
                const QPoint onView(int(std::floor(centre.x())), int(std::floor(centre.y())));
                if (!viewport.rect().contains(view.pos() + onView)) continue;  // out of view
                QTest::mouseClick(&view, Qt::LeftButton, {}, onView);
                ++clicks;
                ASSERT_FALSE(taken.empty());
                EXPECT_EQ(taken.back(), p) << "zoom " << zoom << " at " << view.x() << "," << view.y();
            }
        }
    }
    EXPECT_EQ(int(taken.size()), clicks);
    EXPECT_GT(clicks, 20);

    // A drag on the enlarged map moves it and answers nothing.
    view.setZoom(2.0, QPointF(0, 0));
    view.move(0, 0);
    taken.clear();
    auto send = [&](QEvent::Type type, QPointF at, Qt::MouseButtons held) {
        QMouseEvent e(type, at, view.mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &e);
    };
    // (points of the viewport: the view moves under the pointer as it is dragged)
    auto sendAt = [&](QEvent::Type type, QPointF inViewport, Qt::MouseButtons held) {
        send(type, inViewport - QPointF(view.pos()), held);
    };
    sendAt(QEvent::MouseButtonPress, QPointF(30, 20), Qt::LeftButton);
    sendAt(QEvent::MouseMove, QPointF(20, 12), Qt::LeftButton);
    sendAt(QEvent::MouseMove, QPointF(10, 5), Qt::LeftButton);
    sendAt(QEvent::MouseButtonRelease, QPointF(10, 5), Qt::NoButton);
    EXPECT_TRUE(taken.empty()) << "a drag is no press";
    EXPECT_EQ(view.pos(), QPoint(-20, -15));

    // The wheel zooms round the pointer: the pixel under it stays under it.
    const QPointF pointer(25, 10);
    const QPoint under = mapPixelAt(pointer, view.pos(), view.zoom());
    QWheelEvent wheel(pointer - QPointF(view.pos()), view.mapToGlobal(pointer), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&view, &wheel);
    EXPECT_EQ(view.zoom(), zoomStepIn(2.0));
    EXPECT_EQ(mapPixelAt(pointer, view.pos(), view.zoom()), under);

    // Disabled (a press already taken, or a correction): still zooms, takes nothing.
    view.setEnabled(false);
    QCoreApplication::sendEvent(&view, &wheel);
    EXPECT_EQ(view.zoom(), 4.0);
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(taken.empty());
    view.resetZoom();
    EXPECT_EQ(view.zoom(), 1.0);
    EXPECT_EQ(view.size(), QSize(80, 60));
}

// Judging knows nothing of the zoom: a press on the right place zoomed in
// and scrolled is right, one on the neighbour is wrong with the same
// correction as without zoom; each new question shows the whole map again;
// the "+"/"−" buttons and the scroll boxes follow the zoom.
TEST_F(DrillWindow, ZoomedPressesAreJudgedAsWithoutZoom)
{
    MainFrm* f = start(1);
    MapView* map = f->PicNuritubusiPic;
    auto* zoomIn = f->BasePictureBox->findChild<QPushButton*>(QStringLiteral("ZoomIn"));
    auto* zoomOut = f->BasePictureBox->findChild<QPushButton*>(QStringLiteral("ZoomOut"));
    ASSERT_TRUE(zoomIn && zoomOut);
    EXPECT_FALSE(zoomOut->isEnabled()) << "nothing smaller than the whole map";
    for (int i = 0; i < 12; ++i) zoomIn->click();
    EXPECT_EQ(map->zoom(), kMaxZoom);
    EXPECT_FALSE(zoomIn->isEnabled());
    EXPECT_TRUE(f->PicNuritubusiIdou[1]->isEnabled()) << "an enlarged map can be scrolled";

    // Zoom 4, scrolled so that the asked place is in view: pressed, it is right.
    const Question& q = f->content().table.at(f->run()->currentQuestion());
    map->setZoom(4.0, map->viewportPointOf(QPoint(q.seedX, q.seedY)));
    map->move(positionCentring(QPoint(q.seedX, q.seedY), 4.0, f->BasePictureBox->size(),
                                              f->surface().clean().size()));
    ASSERT_NE(map->pos(), QPoint(0, 0));
    QTest::mouseClick(map, Qt::LeftButton, {}, viewportRectOf(QPoint(q.seedX, q.seedY), QPoint(), 4.0).center().toPoint());
    EXPECT_EQ(f->run()->correctCount(), 1);
    EXPECT_NE(f->run()->phase(), Phase::Correction);
    EXPECT_EQ(map->zoom(), 1.0) << "the next question shows the whole map";
    EXPECT_EQ(f->PicNuritubusiIdou[1]->isEnabled(), map->size() != f->BasePictureBox->size());

    // Zoom 3 (wheel), a press on another place: wrong, named as without zoom.
    const Question& next = f->content().table.at(f->run()->currentQuestion());
    const QPoint other = otherPatch(f);
    map->setZoom(3.0, QPointF(0, 0));
    MapSurface plain;
    plain.load(f->surface().clean());
    const PressResult expected = judgeMapPress(plain, f->content().table, f->run()->currentQuestion(), other.x(), other.y());
    QTest::mouseClick(map, Qt::LeftButton, {}, (QPointF(map->viewportPointOf(other)) - QPointF(map->pos())).toPoint());
    ASSERT_EQ(f->run()->phase(), Phase::Correction);
    EXPECT_EQ(f->LblNuritubusi4->text(), expected.pressedName);
    EXPECT_EQ(f->surface().image(), plain.image()) << "the same fills as a press without zoom";
    EXPECT_EQ(*map->ring(), QPoint(next.seedX, next.seedY));
    // During the correction the map still zooms (to look at the right place).
    zoomOut->click();
    EXPECT_EQ(map->zoom(), 2.0);
}

// A list level answered from the keyboard alone: typing the reading (romaji
// or kana through an input method), arrows, the kana buttons, Enter to go on
// and Enter on "O.K.".
TEST_F(DrillWindow, AListLevelAnswersFromTheKeyboardAlone)
{
    fakes.random.queue = {0.1};  // the first question: 信濃川
    MainFrm* f = start(2);
    ASSERT_EQ(f->run()->currentQuestion(), 1);
    EXPECT_TRUE(f->PicNuritubusiPic->ring().has_value()) << "the asked area has its ring";
    auto* names = qobject_cast<ChoiceList*>(f->ListNuritubusi);
    ASSERT_NE(names, nullptr);
    EXPECT_EQ(f->focusWidget(), f->ListNuritubusi);

    // Romaji: "tone" finds 利根川; the slot follows as with a click.
    QTest::keyClicks(names, QStringLiteral("tone"));
    EXPECT_EQ(f->LblNuritubusi2->text(), QStringLiteral("利根川(とねがわ)"));
    // Arrows move over the headings and the slot follows.
    fakes.clock.advanceMs(2000);  // a pause: the next typing is a new search
    QTest::keyClick(names, Qt::Key_Up);
    EXPECT_FALSE(isHeadingEntry(names->currentItem()->text()));
    EXPECT_NE(f->LblNuritubusi2->text(), QStringLiteral("利根川(とねがわ)"));
    // The kana button は: 浜名湖.
    auto* buttons = f->PicNuritubusiBase->findChild<QWidget*>(QStringLiteral("KanaButtons1"));
    ASSERT_NE(buttons, nullptr);
    EXPECT_TRUE(buttons->isVisible());
    auto* ha = buttons->findChild<QPushButton*>(QStringLiteral("KanaButtons1(5)"));
    ASSERT_NE(ha, nullptr);
    EXPECT_EQ(ha->text(), QStringLiteral("は"));
    ha->click();
    EXPECT_EQ(f->LblNuritubusi2->text(), QStringLiteral("浜名湖"));
    // Kana committed by an input method: "しな" finds 信濃川.
    QInputMethodEvent ime;
    ime.setCommitString(QStringLiteral("しな"));
    QCoreApplication::sendEvent(names, &ime);
    EXPECT_EQ(f->LblNuritubusi2->text(), QStringLiteral("信濃川(しなのがわ)"));

    // Enter: on to the second names; "chikuma" and Enter; then the related places.
    QTest::keyClick(names, Qt::Key_Return);
    EXPECT_EQ(f->focusWidget(), f->ListNuritubusi2);
    fakes.clock.advanceMs(2000);
    QTest::keyClicks(f->ListNuritubusi2, QStringLiteral("chikuma"));
    EXPECT_EQ(f->LblNuritubusi7->text(), QStringLiteral("千曲川(ちくまがわ)"));
    QTest::keyClick(f->ListNuritubusi2, Qt::Key_Return);
    EXPECT_EQ(f->focusWidget(), f->List3);
    for (int i = 0; i < f->List3->count() && f->Label3->text() != f->CorrectRelated; ++i)
        QTest::keyClick(f->List3, Qt::Key_Down);
    EXPECT_EQ(f->Label3->text(), f->CorrectRelated);
    QTest::keyClick(f->List3, Qt::Key_Return);
    EXPECT_EQ(f->focusWidget(), f->CmdNuritubusiOK);
    // Enter presses the focused "O.K.": right.
    QTest::keyClick(f->CmdNuritubusiOK, Qt::Key_Return);
    EXPECT_EQ(f->run()->correctCount(), 1);
    EXPECT_EQ(f->focusWidget(), f->ListNuritubusi) << "the next question starts in the name list again";
}
