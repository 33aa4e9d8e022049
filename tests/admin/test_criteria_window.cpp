// FrmTimeData on screen: opening, typing and the keys in the cell editor,
// saving, reloading and leaving, and the distribution that follows the row.
#include "Fakes.h"
#include "TempDir.h"
#include "admin/CriteriaEditor.h"
#include "platform/Calendar.h"
#include "frame/Navigator.h"
#include "frame/Screen.h"
#include "records/Criteria.h"
#include "state/ProgramState.h"

#include <QDir>
#include <cmath>
#include <QFile>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace karuvel;
using karuvel::test::FakePlatform;
using karuvel::test::TempDir;

namespace {

const QString kCriteria = QStringLiteral("タイム回数データ.txt");
const QString kResults = QStringLiteral("成績累積データ.dat");
const QString kHeader = QStringLiteral("目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\r\n");
const QString kThreeLevels = kHeader + QStringLiteral("30,60,100,5,1,0,0,14,7,,,\r\n"
                                                      "40,80,200,5,1.5,0,0,14,7,,,\r\n"
                                                      "50,100,9999,9999,2,10,500,30,7,,,\r\n");

int dashboardShown = 0;

class StandInDashboard : public Screen {
public:
    StandInDashboard() : Screen(QStringLiteral("seisekitime1")) {}
    void activate() override { ++dashboardShown; }
};

QByteArray record(int pupil, int level, int32_t seconds)
{
    QByteArray r(44, ' ');
    qToLittleEndian(46000.0, r.data());
    qToLittleEndian(0.5, r.data() + 8);
    qToLittleEndian(int16_t(pupil), r.data() + 16);
    qToLittleEndian(int16_t(level), r.data() + 18);
    qToLittleEndian(seconds, r.data() + 20);
    return r;
}

class CriteriaWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        state().DataFolder = Loose(dir.path());
        dashboardShown = 0;
        screens::registerFactory(ScreenId::Dashboard, [] { return new StandInDashboard; });
        registerCriteriaEditorScreen();
    }
    void TearDown() override { screens::closeAll(); }

    FrmTimeData* open(const QString& criteria = kThreeLevels)
    {
        if (!criteria.isNull()) dir.writeCp932(kCriteria, criteria);
        auto* w = qobject_cast<FrmTimeData*>(screens::show(ScreenId::CriteriaEditor));
        return w;
    }
    QByteArray criteriaBytes() const
    {
        QFile f(dir.file(kCriteria));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
    static void key(FrmTimeData* w, Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        QTest::keyClick(w->Gridinputtext, k, m);
    }
    static QString cell(FrmTimeData* w, int row, int column) { return w->MSFlexGrid1->item(row - 1, column - 1)->text(); }
    static bool yellow(FrmTimeData* w, int row, int column)
    {
        return w->MSFlexGrid1->item(row - 1, column - 1)->background().color() == QColor(255, 255, 0);
    }

    FakePlatform fakes;
    TempDir dir;
};

} // namespace

TEST_F(CriteriaWindow, OpensOnLevelOneWithItsHelpAndDistribution)
{
    dir.writeBytes(kResults, record(1, 1, 35) + record(1, 1, 52) + record(2, 1, 41) + record(1, 2, 10));
    FrmTimeData* w = open();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->objectName(), QStringLiteral("FrmTimeData"));
    EXPECT_EQ(w->LastLevelRow(), 3);
    EXPECT_EQ(w->MSFlexGrid1->rowCount(), 3);
    EXPECT_EQ(w->MSFlexGrid1->columnCount(), 12);
    EXPECT_EQ(w->MSFlexGrid1->horizontalHeaderItem(4)->text(), QStringLiteral("ﾎﾟｲﾝﾄ倍率"));
    EXPECT_EQ(w->MSFlexGrid1->verticalHeaderItem(2)->text(), QStringLiteral("3"));
    EXPECT_EQ(w->Label8->text(), QStringLiteral("レベル"));
    EXPECT_EQ(cell(w, 2, 5), QStringLiteral("1.5"));
    EXPECT_EQ(w->sheet().row, 1);
    EXPECT_EQ(w->sheet().column, 1);
    EXPECT_TRUE(w->Gridinputtext->isVisible());
    EXPECT_EQ(w->Gridinputtext->text(), QStringLiteral("30"));
    EXPECT_EQ(w->Label4->text(), criteriaColumnHelp(1));
    // Column 1 is 0.8 times column 2.
    EXPECT_EQ(w->MSFlexGrid1->columnWidth(0), int(0.8 * w->MSFlexGrid1->columnWidth(1)));
    EXPECT_EQ(w->DistributionLevel(), 1);
    ASSERT_EQ(w->List1->count(), 102);
    EXPECT_EQ(w->List1->item(0)->text(), QStringLiteral("レベル1 今まで3回  （★=1）"));
    EXPECT_EQ(w->List1->item(4)->text(), QStringLiteral("  30～★"));
    EXPECT_EQ(w->List2->item(0)->text(), QStringLiteral("レベル1 （★=1）"));
    EXPECT_EQ(w->List2->item(4)->text(), QStringLiteral("  30～★"));
    EXPECT_EQ(w->List2->item(5)->text(), QStringLiteral("  40～★"));
    EXPECT_EQ(w->List2->item(6)->text(), QStringLiteral("  50～"));  // not pupil 1's best
    EXPECT_TRUE(fakes.messages.shown.isEmpty());
}

TEST_F(CriteriaWindow, TypingSpaceArrowsAndCellCopy)
{
    FrmTimeData* w = open();
    // A character is appended to the value and marks the cell.
    QTest::keyClicks(w->Gridinputtext, QStringLiteral("5"));
    EXPECT_EQ(cell(w, 1, 1), QStringLiteral("305"));
    EXPECT_TRUE(yellow(w, 1, 1));
    EXPECT_EQ(w->DataChanged(), 1);
    QTest::keyClick(w->Gridinputtext, Qt::Key_Backspace);
    EXPECT_EQ(cell(w, 1, 1), QStringLiteral("30"));
    // Home and Delete do nothing to the text.
    key(w, Qt::Key_Home);
    key(w, Qt::Key_Delete);
    EXPECT_EQ(cell(w, 1, 1), QStringLiteral("30"));

    // Down, then Right to the end of the row; the distribution follows the row.
    key(w, Qt::Key_Down);
    EXPECT_EQ(w->DistributionLevel(), 2);
    EXPECT_EQ(w->List1->item(0)->text(), QStringLiteral("レベル2 今まで0回  （★=1）"));
    for (int i = 0; i < 14; ++i) key(w, Qt::Key_Right);
    EXPECT_EQ(w->sheet().column, 12);
    EXPECT_TRUE(w->Label4->text().isEmpty());
    // Space in an empty cell: the same text, so no mark.
    key(w, Qt::Key_Space);
    EXPECT_FALSE(yellow(w, 2, 12));

    // Space clears a cell; Shift + Down copies what the editor holds.
    for (int i = 0; i < 10; ++i) key(w, Qt::Key_Left);
    EXPECT_EQ(w->sheet().column, 2);
    key(w, Qt::Key_Space);
    EXPECT_EQ(cell(w, 2, 2), QString());
    QTest::keyClicks(w->Gridinputtext, QStringLiteral("90"));
    key(w, Qt::Key_Down, Qt::ShiftModifier);
    key(w, Qt::Key_Down, Qt::ShiftModifier);  // on the last row: nothing
    EXPECT_EQ(cell(w, 2, 2), QStringLiteral("90"));
    EXPECT_EQ(cell(w, 3, 2), QStringLiteral("90"));
    EXPECT_TRUE(yellow(w, 3, 2));
    EXPECT_EQ(w->sheet().row, 2);
    EXPECT_EQ(w->Gridinputtext->text(), QStringLiteral("90"));
    // Esc leaves everything as it is.
    key(w, Qt::Key_Escape);
    EXPECT_EQ(w->sheet().row, 2);
    EXPECT_EQ(w->Gridinputtext->text(), QStringLiteral("90"));

    // A click makes another cell current and lays the editor over it.
    const QRect r = w->MSFlexGrid1->visualItemRect(w->MSFlexGrid1->item(2, 4));
    QTest::mouseClick(w->MSFlexGrid1->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_EQ(w->sheet().row, 3);
    EXPECT_EQ(w->sheet().column, 5);
    EXPECT_EQ(w->Gridinputtext->text(), QStringLiteral("2"));
    EXPECT_EQ(w->Gridinputtext->mapTo(w->frame(), QPoint(0, 0)),
              w->MSFlexGrid1->viewport()->mapTo(w->frame(), r.topLeft()));
    EXPECT_EQ(w->DistributionLevel(), 3);
}

TEST_F(CriteriaWindow, SaveWritesTheFileAndReloadsTheCriteria)
{
    FrmTimeData* w = open(kHeader.left(4) + QStringLiteral(",old,,,,,,,,,,\r\n") +  // another header line
                          kThreeLevels.mid(kHeader.size()));
    key(w, Qt::Key_Down);
    key(w, Qt::Key_Right);
    QTest::keyClicks(w->Gridinputtext, QStringLiteral("5"));
    // The save asks first, naming what it changes; "No" writes nothing.
    const QByteArray before = criteriaBytes();
    fakes.messages.answer = false;
    EXPECT_FALSE(w->Command3_Click());
    ASSERT_EQ(fakes.messages.shown.size(), 1);
    EXPECT_TRUE(fakes.messages.shown[0].second.contains(QStringLiteral("レベル2 最低Time 80→805")));
    EXPECT_EQ(criteriaBytes(), before);
    EXPECT_EQ(w->DataChanged(), 1);
    fakes.messages.shown.clear();
    fakes.messages.answer = true;
    QTest::mouseClick(w->Command3, Qt::LeftButton);
    EXPECT_EQ(w->DataChanged(), 0);
    ASSERT_EQ(fakes.messages.shown.size(), 1);
    EXPECT_EQ(w->SaveNote->text(), QStringLiteral("記録しました（1か所）。"));
    EXPECT_FALSE(w->Picture2->isVisible());
    QString text;
    readCp932File(dir.file(kCriteria), &text);
    EXPECT_EQ(text, kHeader + QStringLiteral("30,60,100,5,1,0,0,14,7,,,\r\n"
                                             "40,805,200,5,1.5,0,0,14,7,,,\r\n"
                                             "50,100,9999,9999,2,10,500,30,7,,,\r\n"));
    EXPECT_EQ(state().TargetTime[2], 40);
    EXPECT_EQ(state().LimitTime[2], 805);
    EXPECT_EQ(state().PointMultiplier[2], 1.5f);
    EXPECT_EQ(state().OverdoDays[0], Loose(QStringLiteral("禁期間")));
    // The marks stay until the grid is loaded again.
    EXPECT_TRUE(yellow(w, 2, 2));
}

TEST_F(CriteriaWindow, BackAsksWhileChangesAreUnsaved)
{
    struct Case {
        const char* name;
        bool reloadFirst;  // "元に戻す" before "戻る"
        bool answerYes;
        QString savedLevel1;  // what line 1 of the file holds afterwards
    };
    const Case cases[] = {
        {"no", false, false, QStringLiteral("30,")},
        {"yes", false, true, QStringLiteral("30,607,")},
        {"after reload, no", true, false, QStringLiteral("30,")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fakes.messages.shown.clear();
        dashboardShown = 0;
        FrmTimeData* w = open();
        key(w, Qt::Key_Right);
        QTest::keyClicks(w->Gridinputtext, QStringLiteral("7"));
        if (c.reloadFirst) {
            QTest::mouseClick(w->Command2, Qt::LeftButton);
            EXPECT_EQ(cell(w, 1, 2), QStringLiteral("60"));
            EXPECT_FALSE(yellow(w, 1, 2));
            EXPECT_EQ(w->Gridinputtext->text(), QStringLiteral("60"));
        }
        fakes.messages.answer = c.answerYes;
        QTest::mouseClick(w->Command4, Qt::LeftButton);
        // "Yes" saves, and the save asks about its change.
        ASSERT_EQ(fakes.messages.shown.size(), c.answerYes ? 2 : 1);
        EXPECT_EQ(fakes.messages.shown[0].first, QStringLiteral("注意"));
        EXPECT_EQ(fakes.messages.shown[0].second, QStringLiteral("データが変更されています。記録しますか？"));
        EXPECT_EQ(dashboardShown, 1);
        EXPECT_EQ(screens::find(ScreenId::CriteriaEditor), nullptr);
        QString text;
        readCp932File(dir.file(kCriteria), &text);
        EXPECT_TRUE(text.split(QStringLiteral("\r\n")).value(1).startsWith(c.savedLevel1));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // Without changes it leaves at once.
    fakes.messages.shown.clear();
    FrmTimeData* w = open();
    QTest::mouseClick(w->Command4, Qt::LeftButton);
    EXPECT_TRUE(fakes.messages.shown.isEmpty());
    EXPECT_EQ(screens::find(ScreenId::CriteriaEditor), nullptr);
}

TEST_F(CriteriaWindow, ASaveThatIsRefusedOrFailsKeepsTheChanges)
{
    FrmTimeData* w = open();
    const QByteArray before = criteriaBytes();
    key(w, Qt::Key_Right);
    QTest::keyClicks(w->Gridinputtext, QStringLiteral(",5"));
    fakes.messages.answer = true;
    QTest::mouseClick(w->Command4, Qt::LeftButton);  // "記録しますか？" Yes, but the cell cannot be written
    ASSERT_EQ(fakes.messages.shown.size(), 2);
    EXPECT_TRUE(fakes.messages.shown[1].second.contains(QStringLiteral("レベル1の「最低Time」の列")));
    EXPECT_EQ(criteriaBytes(), before);
    EXPECT_EQ(screens::find(ScreenId::CriteriaEditor), w);
    EXPECT_EQ(dashboardShown, 0);
    EXPECT_EQ(w->DataChanged(), 1);

    // The folder is gone: the file cannot be written.
    QTest::keyClick(w->Gridinputtext, Qt::Key_Space);
    QTest::keyClicks(w->Gridinputtext, QStringLiteral("65"));
    state().DataFolder = Loose(dir.path() + QStringLiteral("gone/"));
    fakes.messages.shown.clear();
    EXPECT_FALSE(w->Command3_Click());
    ASSERT_EQ(fakes.messages.shown.size(), 2);  // the question, then the failure
    EXPECT_EQ(fakes.messages.shown[1].first, QStringLiteral("エラー"));
    EXPECT_TRUE(fakes.messages.shown[1].second.contains(QStringLiteral("「タイム回数データ.txt」に書き込むことができません")));
    EXPECT_EQ(w->DataChanged(), 1);
    EXPECT_FALSE(w->Picture2->isVisible());
}

TEST_F(CriteriaWindow, CriteriaFileWithoutLevels)
{
    struct Case {
        const char* name;
        QString content;  // null: no file
        int lastLevelRow;
        bool message;
    };
    const Case cases[] = {
        {"header only", kHeader, 0, false},
        {"empty", QStringLiteral(""), -1, false},
        {"missing", QString(), -1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(dir.file(kCriteria));
        fakes.messages.shown.clear();
        FrmTimeData* w = open(c.content);
        EXPECT_EQ(w->LastLevelRow(), c.lastLevelRow);
        EXPECT_EQ(w->MSFlexGrid1->rowCount(), 0);
        EXPECT_FALSE(w->Gridinputtext->isVisible());
        EXPECT_EQ(w->List1->count(), 0);
        key(w, Qt::Key_Down);
        QTest::keyClicks(w->Gridinputtext, QStringLiteral("1"));
        EXPECT_EQ(w->DataChanged(), 0);
        EXPECT_EQ(fakes.messages.shown.size(), c.message ? 1 : 0);
        if (c.message) EXPECT_TRUE(fakes.messages.shown[0].second.contains(QStringLiteral("「タイム回数データ.txt」が見つかりません")));
        // A file that could not be read is never replaced by an empty one.
        const bool saved = w->Command3_Click();
        EXPECT_EQ(saved, !c.message);
        EXPECT_EQ(QFile::exists(dir.file(kCriteria)), !c.content.isNull());
        screens::close(ScreenId::CriteriaEditor);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// A file with more level lines than the program holds is shown, but never
// saved: the program could not start with it, and saving it ended the program.
TEST_F(CriteriaWindow, FileWithMoreThan35LevelsIsShownButNotSaved)
{
    QString text = kHeader;
    for (int level = 1; level <= 36; ++level) text += QStringLiteral("30,60,100,5,1,0,0,14,7,,,\r\n");
    FrmTimeData* w = open(text);
    const QByteArray before = criteriaBytes();
    EXPECT_EQ(w->LastLevelRow(), 36);
    ASSERT_EQ(fakes.messages.shown.size(), 1);
    EXPECT_TRUE(fakes.messages.shown[0].second.contains(QStringLiteral("「タイム回数データ.txt」のレベルの行が多すぎます")));
    QTest::keyClicks(w->Gridinputtext, QStringLiteral("5"));
    EXPECT_EQ(w->DataChanged(), 1);
    fakes.messages.shown.clear();
    EXPECT_FALSE(w->Command3_Click());
    ASSERT_EQ(fakes.messages.shown.size(), 1);
    EXPECT_TRUE(fakes.messages.shown[0].second.contains(QStringLiteral("記録できません")));
    EXPECT_EQ(criteriaBytes(), before);
    EXPECT_EQ(w->DataChanged(), 1);
}

// Who would clear is counted on the file as it is at the save: runs another
// PC stored after the window opened count too.
TEST_F(CriteriaWindow, TheSaveQuestionCountsRunsStoredSinceTheWindowOpened)
{
    dir.writeBytes(kResults, QByteArray());
    FrmTimeData* w = open();
    {
        QByteArray run = record(7, 1, 20);
        qToLittleEndian(std::floor(toOleDate(fakes.clock.now().date())), run.data());
        QFile f(dir.file(kResults));
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write(run);
    }
    // Level 1 cleared by one run, whatever its points.
    key(w, Qt::Key_Right);
    key(w, Qt::Key_Right);
    key(w, Qt::Key_Space);
    QTest::keyClicks(w->Gridinputtext, QStringLiteral("0"));
    key(w, Qt::Key_Right);
    key(w, Qt::Key_Space);
    QTest::keyClicks(w->Gridinputtext, QStringLiteral("1"));
    fakes.messages.answer = false;
    EXPECT_FALSE(w->Command3_Click());
    ASSERT_EQ(fakes.messages.shown.size(), 1);
    EXPECT_TRUE(fakes.messages.shown[0].second.contains(QStringLiteral("（判定期間にクリアする人 0人→1人）")))
        << fakes.messages.shown[0].second.toStdString();
}

TEST_F(CriteriaWindow, KeysDoNotRereadUnchangedResultsButSeeNewRuns)
{
    dir.writeBytes(kResults, record(1, 1, 35));
    FrmTimeData* w = open();
    ASSERT_NE(w->distribution(), nullptr);
    const int reads = w->distribution()->reads();
    for (int i = 0; i < 5; ++i) QTest::keyClicks(w->Gridinputtext, QStringLiteral("1"));
    EXPECT_EQ(w->distribution()->reads(), reads);
    EXPECT_EQ(w->List1->item(0)->text(), QStringLiteral("レベル1 今まで1回  （★=1）"));
    {
        QFile f(dir.file(kResults));
        f.open(QIODevice::Append);
        f.write(record(2, 1, 36));
    }
    key(w, Qt::Key_Left);
    EXPECT_EQ(w->distribution()->reads(), reads + 1);
    EXPECT_EQ(w->List1->item(0)->text(), QStringLiteral("レベル1 今まで2回  （★=1）"));
    EXPECT_EQ(w->List1->item(4)->text(), QStringLiteral("  30～★★"));
}

TEST_F(CriteriaWindow, EditorStaysOnItsCellWhenTheGridScrolls)
{
    QString criteria = kHeader;
    for (int level = 1; level <= 35; ++level) criteria += QStringLiteral("%1,90,30,3,1,0,0,7,7,,,\r\n").arg(level);
    FrmTimeData* w = open(criteria);
    auto onItsCell = [w] {
        const QRect cell = w->MSFlexGrid1->visualItemRect(w->MSFlexGrid1->item(w->sheet().row - 1, w->sheet().column - 1));
        return w->Gridinputtext->isVisible() &&
               w->Gridinputtext->mapTo(w->frame(), QPoint(0, 0)) ==
                   w->MSFlexGrid1->viewport()->mapTo(w->frame(), cell.topLeft()) &&
               w->Gridinputtext->size() == cell.size();
    };
    // Shift + Down down the whole column scrolls row 1 out of view; the editor
    // goes with its cell and still takes the keys, so the copy reaches row 35.
    QTest::keyClicks(w->Gridinputtext, QStringLiteral("5"));
    for (int i = 0; i < 34; ++i) key(w, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_GT(w->MSFlexGrid1->verticalScrollBar()->value(), 0);
    EXPECT_EQ(w->sheet().row, 1);
    EXPECT_TRUE(onItsCell());
    EXPECT_EQ(cell(w, 35, 1), QStringLiteral("15"));
    // Typing brings the cell being edited back into view.
    QTest::keyClicks(w->Gridinputtext, QStringLiteral("0"));
    EXPECT_EQ(w->MSFlexGrid1->verticalScrollBar()->value(), 0);
    EXPECT_EQ(cell(w, 1, 1), QStringLiteral("150"));
    EXPECT_TRUE(onItsCell());
    // Scrolled with the wheel (the scroll bar), the editor follows its cell.
    w->MSFlexGrid1->verticalScrollBar()->setValue(2);
    EXPECT_TRUE(onItsCell());
}

TEST_F(CriteriaWindow, LongestBarsAreSeenWhole)
{
    // 19 runs in one band, the longest bar there can be (scale 1), in both lists.
    QByteArray runs;
    for (int pupil = 1; pupil <= 19; ++pupil) runs += record(pupil, 1, 45);
    dir.writeBytes(kResults, runs);
    FrmTimeData* w = open();
    for (QListWidget* list : {w->List1, w->List2}) {
        SCOPED_TRACE(list->objectName().toStdString());
        ASSERT_EQ(list->item(5)->text(), QStringLiteral("  40～") + QStringLiteral("★").repeated(19));
        list->doItemsLayout();
        QCoreApplication::processEvents();
        EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0);
        EXPECT_LE(list->visualItemRect(list->item(5)).right(), list->viewport()->width());
    }
}

TEST_F(CriteriaWindow, JapaneseInputTypesFiguresAndItsSpaceClears)
{
    FrmTimeData* w = open();
    auto commit = [w](const QString& text) {
        QInputMethodEvent e;
        e.setCommitString(text);
        QCoreApplication::sendEvent(w->Gridinputtext, &e);
    };
    commit(QStringLiteral("５"));
    EXPECT_EQ(cell(w, 1, 1), QStringLiteral("30５"));
    EXPECT_TRUE(yellow(w, 1, 1));
    key(w, Qt::Key_Right);
    // The space bar with the Japanese input on: a full-width space.
    commit(QStringLiteral("\u3000"));
    EXPECT_EQ(cell(w, 1, 2), QString());
    EXPECT_EQ(w->Gridinputtext->text(), QString());
    EXPECT_TRUE(yellow(w, 1, 2));
    // Full-width figures are taken as typed; the emptied cell is refused.
    EXPECT_FALSE(w->Command3_Click());
    EXPECT_TRUE(fakes.messages.shown.back().second.contains(QStringLiteral("レベル1の「最低Time」が空欄です")));
    commit(QStringLiteral("４００"));
    ASSERT_TRUE(w->Command3_Click());
    EXPECT_TRUE(criteriaBytes().contains("\r\n305,400,100,5,1,0,0,14,7,,,\r\n"));
}
