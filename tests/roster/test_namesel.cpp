// The name-selection screen: activation, choosing, keys, sign-in and leaving.
#include "RosterFixture.h"
#include "Runs.h"
#include "platform/Calendar.h"
#include "frame/DateWatch.h"
#include "frame/Navigator.h"
#include "records/ResultsFile.h"
#include "frame/SmallWindows.h"
#include "roster/NameList.h"
#include "roster/NameSelection.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace karuvel;
using namespace karuvel::test;

class NameSelectionScreen : public RosterFixture {
protected:
    std::unique_ptr<namesel> w;

    void SetUp() override
    {
        RosterFixture::SetUp();
        state().BackgroundColour = Loose(double(0xC0FFC0));
        writeRoster({
            line(12, bornFor(4), QStringLiteral("山田太郎")),
            line(4321, bornFor(8), QStringLiteral("佐藤花子")),
            line(3, bornFor(1), QStringLiteral("鈴木一郎")),
        });
        w = std::make_unique<namesel>();
        w->resize(1024, 768);
        w->show();
        w->activate();
    }
    void TearDown() override
    {
        w.reset();
        screens::closeAll();
    }
    int rowOf(const QString& name) const
    {
        for (int i = 0; i < w->List1->count(); ++i)
            if (w->List1->item(i)->text().contains(name)) return i;
        return -1;
    }
};

TEST_F(NameSelectionScreen, ActivationShowsTheWholeListWithPoints)
{
    EXPECT_EQ(w->DisplayMode, 1);
    EXPECT_TRUE(w->Option1[1]->isChecked());
    EXPECT_EQ(w->Combo1->currentText(), QStringLiteral("全学年"));
    EXPECT_EQ(w->Combo1->count(), 12);
    EXPECT_EQ(state().GradeFilter.toText(), QStringLiteral("全学年"));
    ASSERT_EQ(w->List1->count(), 4);
    EXPECT_EQ(w->List1->item(0)->text(), QStringLiteral("－－－－－－"));
    EXPECT_EQ(w->List1->currentRow(), 0);
    EXPECT_EQ(w->List3.size(), 3);
    EXPECT_EQ(w->Label1->text(), QStringLiteral("名前を選びなさい"));
    EXPECT_TRUE(w->Picture5->isHidden());
    EXPECT_TRUE(w->Label2->isHidden());
    EXPECT_EQ(w->Label4->text(), QStringLiteral("Karuvel"));
    EXPECT_EQ(w->Label4->font().pointSize(), 48);
    EXPECT_EQ(w->List1->font().family(), QStringLiteral("IPAGothic"));
    // A full-width character is exactly two half-width ones wide.
    const QFontMetrics m(w->List1->font());
    EXPECT_EQ(m.horizontalAdvance(QStringLiteral("小4 山田太郎　　")), m.horizontalAdvance(QString(16, QLatin1Char('1'))));
    EXPECT_EQ(m.horizontalAdvance(QStringLiteral("  45回")), m.horizontalAdvance(QStringLiteral("  　　")));
}

// Left open across midnight, the list shows the new day's figures, as a
// list built afresh at that moment does.
TEST_F(NameSelectionScreen, TheListLeftOpenAcrossMidnightShowsTheNewDaysFigures)
{
    fake.clock.current = QDateTime(QDate(2026, 12, 10), QTime(23, 59, 0));
    const double day = toOleDate(QDate(2026, 12, 10));
    dir.writeBytes(QStringLiteral("data/成績累積データ.dat"), runsBytes({{day, 12, 1, 45}, {day, 12, 2, 50}, {day - 1, 3, 1, 40}}));
    w->activate();
    const auto shown = [&] {
        QStringList out;
        for (int i = 0; i < w->List1->count(); ++i) out << w->List1->item(i)->text();
        return out;
    };
    const QStringList before = shown();
    w->dayWatch->poll();
    EXPECT_EQ(shown(), before) << "the same day: nothing to do";
    fake.clock.advanceMs(2 * 60000);  // 00:01 the next day
    w->dayWatch->poll();
    const QStringList after = shown();
    EXPECT_NE(after, before);
    EXPECT_EQ(after, buildNameList(w->DisplayMode, QStringLiteral("全学年")).shown);
}

TEST_F(NameSelectionScreen, OptionsAndFilterRebuildTheList)
{
    w->Combo1->setFocus();
    w->Option1[0]->click();
    EXPECT_EQ(w->DisplayMode, 0);
    EXPECT_EQ(w->focusWidget(), w->List1);  // arrow keys and Enter go on choosing a name
    EXPECT_TRUE(w->List1->item(1)->text().contains(QStringLiteral("/")));
    EXPECT_EQ(w->List1->count(), 4);

    w->Combo1->setCurrentText(QStringLiteral("中学生全体"));
    w->Combo1_Click();
    EXPECT_EQ(state().GradeFilter.toText(), QStringLiteral("中学生全体"));
    ASSERT_EQ(w->List1->count(), 2);
    EXPECT_EQ(w->List1->item(0)->text(), QStringLiteral("－－－－－－"));
    EXPECT_TRUE(w->List1->item(1)->text().contains(QStringLiteral("佐藤花子")));
    EXPECT_EQ(w->List3, QStringList{w->List1->item(1)->text() + QStringLiteral("*4321")});
}

TEST_F(NameSelectionScreen, OkWithoutANamePlaysTheWrongCueAndSignsNobodyIn)
{
    w->List1->setCurrentRow(0);
    w->Command14->click();
    EXPECT_EQ(fake.sound.played.size(), 1);
    EXPECT_EQ(state().CurrentPupil, 0);
    EXPECT_FALSE(w->Command14->isHidden());
    EXPECT_TRUE(w->Picture5->isHidden());
}

TEST_F(NameSelectionScreen, ArrowKeysChooseAndOkSignsIn)
{
    w->List1->setFocus();
    QTest::keyClick(w->List1, Qt::Key_Down);
    ASSERT_EQ(w->List1->currentRow(), 1);
    EXPECT_EQ(w->Label1->text(), QStringLiteral("小1 鈴木一郎　　"));
    EXPECT_EQ(w->Label2->text(), QStringLiteral("3"));

    w->List1->setCurrentRow(rowOf(QStringLiteral("佐藤花子")));
    EXPECT_EQ(w->Label2->text(), QStringLiteral("4321"));
    fake.clock.current = QDateTime(QDate(2026, 12, 10), QTime(9, 30, 15, 600));
    w->Command14->click();
    const ProgramState& s = state();
    EXPECT_EQ(s.CurrentPupil, 4321);
    EXPECT_EQ(s.CurrentPupilName, QStringLiteral("佐藤花子") + QString(16, QLatin1Char(' ')));
    EXPECT_EQ(s.CurrentPupilGrade.toText(), QStringLiteral("中２"));
    EXPECT_EQ(s.SignInTime.toNumber(), 9 * 3600 + 30 * 60 + 16);
    ASSERT_TRUE(s.SignInClock.has_value());  // minutes since sign-in are measured from here
    EXPECT_DOUBLE_EQ(*s.SignInClock, fake.clock.monotonicSeconds());
    EXPECT_TRUE(w->Command14->isHidden());
    EXPECT_FALSE(w->Picture5->isHidden());
    EXPECT_EQ(s.LevelCount, 12);  // the level catalogue was opened
    EXPECT_TRUE(fake.sound.played.isEmpty());
}

TEST_F(NameSelectionScreen, KeysOfTheListAndTheWindow)
{
    // Enter and space in the list sign in; "1" anywhere on the window too.
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Space, Qt::Key_1}) {
        SCOPED_TRACE(int(key));
        resetState();
        SetUp();
        w->List1->setFocus();
        w->List1->setCurrentRow(rowOf(QStringLiteral("山田太郎")));
        QTest::keyClick(w->List1, key);
        EXPECT_EQ(state().CurrentPupil, 12);
    }
    // "1" with nobody chosen: the wrong cue.
    resetState();
    SetUp();
    QTest::keyClick(w->List1, Qt::Key_1);
    EXPECT_EQ(state().CurrentPupil, 0);
    EXPECT_EQ(fake.sound.played.size(), 1);
    // Other keys do nothing to the sign-in.
    QTest::keyClick(w->List1, Qt::Key_5);
    EXPECT_EQ(fake.sound.played.size(), 1);
}

TEST_F(NameSelectionScreen, DoubleClickSignsIn)
{
    const int row = rowOf(QStringLiteral("鈴木一郎"));
    const QRect r = w->List1->visualItemRect(w->List1->item(row));
    QTest::mouseClick(w->List1->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_EQ(state().CurrentPupil, 0);  // one click only chooses
    QTest::mouseDClick(w->List1->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_EQ(state().CurrentPupil, 3);
    EXPECT_TRUE(w->Label1->text().startsWith(QStringLiteral("小1 鈴木一郎")));
}

TEST_F(NameSelectionScreen, MenuButtonStartsTheProgramMenuAndEnds)
{
    try {
        w->Form_KeyPress(QStringLiteral("0"));
        FAIL() << "the program did not end";
    } catch (const ProgramEnded& e) {
        EXPECT_EQ(e.code, 0);
    }
    ASSERT_EQ(fake.processes.started.size(), 1);
    const QString expected = QDir::cleanPath(dir.path() + QStringLiteral("起動/プログラムメニューc"));
#ifdef Q_OS_WIN
    EXPECT_EQ(fake.processes.started[0].first, expected + QStringLiteral(".exe"));
#else
    EXPECT_EQ(fake.processes.started[0].first, expected);
#endif
    EXPECT_EQ(fake.processes.started[0].second, QStringList{QStringLiteral("001")});
    EXPECT_TRUE(fake.messages.shown.isEmpty());
}

TEST_F(NameSelectionScreen, MissingProgramMenuIsReported)
{
    fake.processes.present = false;
    EXPECT_THROW(w->Command7_Click(), ProgramEnded);
    EXPECT_TRUE(fake.processes.started.isEmpty());
    ASSERT_EQ(fake.messages.shown.size(), 1);
    EXPECT_TRUE(fake.messages.shown[0].second.contains(QStringLiteral("プログラムメニューc")));
    EXPECT_TRUE(fake.messages.shown[0].second.contains(QStringLiteral("起動")));
    EXPECT_NE(fake.programEnd.lastCode, 0);
}

TEST_F(NameSelectionScreen, TitleClickShowsTheVersionWindow)
{
    QString shownTitle;
    QPoint offset;
    QTimer poll;
    int polls = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* v = qobject_cast<frmver*>(QApplication::activeModalWidget());
        if (!v && ++polls < 200) return;
        if (v) {
            shownTitle = v->Label1->text();
            offset = v->frameGeometry().center() - w->frameGeometry().center();
            v->Command1->click();
        }
        poll.stop();
    });
    poll.start(10);
    QTest::mouseClick(w->Label4, Qt::LeftButton);
    EXPECT_EQ(shownTitle, QStringLiteral("Karuvel"));
    EXPECT_LE(offset.manhattanLength(), 4);  // centred over the window
}

TEST_F(NameSelectionScreen, LooksRight)
{
    // Runs of today and of earlier days, so that both figures show.
    QByteArray bytes;
    const double today = toOleDate(QDate(2026, 12, 10));
    for (auto [pupil, daysAgo, time] : {std::tuple{12, 0, 45}, {12, 0, 50}, {12, 3, 40}, {3, 10, 70}, {4321, 0, 30}}) {
        const auto b = test::runRecord(today - daysAgo, 0.0, pupil, 1, time).toBytes();
        bytes.append(b.data(), int(b.size()));
    }
    dir.writeBytes(QStringLiteral("data/成績累積データ.dat"), bytes);
    w->Option1_Click(0);
    ASSERT_EQ(w->List1->count(), 4);
    const int yamada = rowOf(QStringLiteral("山田太郎"));
    EXPECT_TRUE(w->List1->item(yamada)->text().endsWith(QStringLiteral("  2回/    3回")));
    EXPECT_TRUE(w->List1->item(rowOf(QStringLiteral("鈴木一郎")))->text().contains(QStringLiteral("     /    1回")));
    // The column heads stand over the columns.
    const QFontMetrics m(w->List1->font());
    const QString head = w->Label5->text();
    const QString row = w->List1->item(yamada)->text();
    EXPECT_EQ(m.horizontalAdvance(head.left(head.indexOf(QLatin1Char('/')))),
              m.horizontalAdvance(row.left(row.indexOf(QLatin1Char('/')))));
    w->List1->setCurrentRow(yamada);
    const QImage image = w->grab().toImage();
    EXPECT_EQ(image.size(), QSize(1024, 768));
    if (qEnvironmentVariableIsSet("KARUVEL_GRAB")) image.save(QString::fromLocal8Bit(qgetenv("KARUVEL_GRAB")));
    // The list's rows are tall enough for 20-point type.
    EXPECT_GE(w->List1->visualItemRect(w->List1->item(1)).height(), 26);
}

TEST_F(NameSelectionScreen, TheWaitCoverStandsWhileTheRosterIsWaitedFor)
{
    QFile::rename(dir.file(QStringLiteral("新名簿.txt")), dir.file(QStringLiteral("moved.txt")));
    bool coveredWhileWaiting = false;
    fake.clock.onWait = [&](int) {
        coveredWhileWaiting = !w->Picture5->isHidden();
        // Keys and a second build while waiting change nothing.
        QTest::keyClick(w->List1, Qt::Key_1);
        w->Option1[2]->click();
        w->Combo1->setCurrentIndex(w->Combo1->findText(QStringLiteral("小１")));
        emit w->Combo1->activated(w->Combo1->currentIndex());
        QFile::rename(dir.file(QStringLiteral("moved.txt")), dir.file(QStringLiteral("新名簿.txt")));
    };
    w->Option1_Click(3);
    EXPECT_TRUE(coveredWhileWaiting);
    EXPECT_EQ(w->RosterRetries, 1);
    EXPECT_EQ(fake.clock.waitedMs, 5000);
    EXPECT_EQ(w->DisplayMode, 3);
    EXPECT_TRUE(w->Option1[3]->isChecked());  // the options and the chooser name what the list shows
    EXPECT_FALSE(w->Option1[2]->isChecked());
    EXPECT_EQ(w->Combo1->currentText(), QStringLiteral("全学年"));
    EXPECT_TRUE(w->Picture5->isHidden());
    EXPECT_EQ(w->List1->count(), 4);
    EXPECT_TRUE(fake.sound.played.isEmpty());
    EXPECT_EQ(state().CurrentPupil, 0);
}
