// The records manager window on a small school: the list, the edit panel,
// changing and deleting runs in the shared results file, and leaving.
#include "Clicks.h"
#include "Fakes.h"
#include "FaultyRecordIo.h"
#include "Runs.h"
#include "TempDir.h"
#include "admin/RecordsBackup.h"
#include "admin/RecordsManager.h"
#include "platform/Calendar.h"
#include "frame/Navigator.h"
#include "platform/Cp932.h"
#include "platform/RecordFile.h"

#include <QCheckBox>
#include <QDir>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace karuvel;

namespace {

class RecordsWindow : public ::testing::Test {
protected:
    test::FakePlatform fakes;
    test::TempDir dir;
    ProgramState& s = state();
    std::unique_ptr<FrmData> w;

    void SetUp() override
    {
        s.RosterFolder = Loose(dir.path());
        s.DataFolder = Loose(dir.mkdir(QStringLiteral("Karuvel")));
        s.SchoolYearStartMonth = Loose(4);
        s.SchoolCode = Loose(QStringLiteral("12345"));
        s.SchoolName = QStringLiteral("みどり塾");
        // School year 2026: born 2016 = 小４, 2013 = 中１.
        dir.writeCp932(QStringLiteral("新名簿.txt"), QStringLiteral("7,2016,0,0,青木,0,,\r\n"
                                                                   "8,2013,0,0,上田,0,,\r\n"));
    }

    static ResultRecordData run(int pupil, int level, int time, double day = 46366, const char* code = "12345")
    {
        ResultRecordData r = test::runRecord(day, 0.4, pupil, level, time);
        r.schoolCode = QByteArray(code, 5);
        r.spare = QByteArray("\x01\x02\x03\x04\x05", 5);
        return r;
    }
    static QByteArray bytesOf(const std::vector<ResultRecordData>& records)
    {
        QByteArray out;
        for (const ResultRecordData& r : records) {
            const auto b = r.toBytes();
            out.append(b.data(), kRecordSize);
        }
        return out;
    }
    QString resultsPath() const { return resultsFilePath(); }
    void writeFile(const QByteArray& bytes) const
    {
        QFile f(resultsPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray fileBytes() const
    {
        QFile f(resultsPath());
        if (!f.open(QIODevice::ReadOnly)) return QByteArray();
        return f.readAll();
    }
    static QByteArray record(const QByteArray& file, int number)
    {
        return file.mid((number - 1) * kRecordSize, kRecordSize);
    }

    // The manager opened; most tests list in the file's order, where a line's
    // place follows its record number.
    FrmData& open(RecordOrder order = RecordOrder::FileOrder)
    {
        w = std::make_unique<FrmData>();
        w->resize(kFrameWidth, kFrameHeight);
        w->show();
        w->activate();
        if (order == RecordOrder::FileOrder) w->Filters->FilterOrder->setCurrentIndex(1);
        return *w;
    }
    QStringList lines() const
    {
        QStringList out;
        for (int i = 0; i < w->model->rowCount(); ++i)
            out << w->model->data(w->model->index(i), Qt::DisplayRole).toString();
        return out;
    }
    // A double-click on a line, as the teacher makes it.
    void doubleClick(int line, FrmData* on = nullptr)
    {
        FrmData* d = on ? on : w.get();
        const QRect r = d->List1->visualRect(d->model->index(line));
        ASSERT_TRUE(r.isValid());
        QWidget* vp = d->List1->viewport();
        QTest::mouseClick(vp, Qt::LeftButton, {}, r.center());
        QTest::mouseEvent(QTest::MouseDClick, vp, Qt::LeftButton, {}, r.center());
        QTest::mouseRelease(vp, Qt::LeftButton, {}, r.center());
    }
};

} // namespace

TEST_F(RecordsWindow, EmptyFileShowsCountZeroAndNoLines)
{
    writeFile(QByteArray());
    FrmData& d = open();
    EXPECT_EQ(d.Label2->text(), QStringLiteral("総レコード数:0"));
    EXPECT_EQ(d.model->rowCount(), 0);
    EXPECT_EQ(d.Label1->text(), QStringLiteral("ダブルクリックすると変更、消去できます"));
    EXPECT_FALSE(d.Frame1->isVisible());
    EXPECT_TRUE(fakes.messages.shown.isEmpty());
    // The roster fills the chooser.
    EXPECT_EQ(d.Combo1->count(), 2);
    EXPECT_EQ(d.Combo1->itemText(1), QStringLiteral("8 /  上田"));
}

TEST_F(RecordsWindow, FileThatCannotBeOpenedIsNamedAndTheWindowStaysUsable)
{
    s.DataFolder = Loose(dir.path() + QStringLiteral("無いフォルダ/"));
    FrmData& d = open();
    ASSERT_EQ(fakes.messages.shown.size(), 1);
    EXPECT_TRUE(fakes.messages.shown[0].second.contains(QStringLiteral("成績累積データ.dat")));
    EXPECT_EQ(fakes.programEnd.calls, 0);
    EXPECT_EQ(d.Label2->text(), QStringLiteral("総レコード数:"));
    EXPECT_EQ(d.model->rowCount(), 0);
    // Once the folder is there, building the list again works.
    QDir().mkpath(s.DataFolder.toText());
    writeFile(bytesOf({run(7, 2, 40)}));
    d.Command1_Click();
    EXPECT_EQ(d.model->rowCount(), 1);
}

TEST_F(RecordsWindow, MissingRosterIsNamedOnceAndRunsAreStillListed)
{
    QFile::remove(dir.file(QStringLiteral("新名簿.txt")));
    writeFile(bytesOf({run(7, 2, 40)}));
    FrmData& d = open();
    d.Command1_Click();
    ASSERT_EQ(fakes.messages.shown.size(), 1);
    EXPECT_TRUE(fakes.messages.shown[0].second.contains(QStringLiteral("新名簿.txt")));
    ASSERT_EQ(d.model->rowCount(), 1);
    EXPECT_TRUE(lines()[0].contains(QStringLiteral("   7 　　　　　 ++みどり塾")));
}

TEST_F(RecordsWindow, DoubleClickOpensThePanelAndAClickClosesIt)
{
    // Record 2 has level 0: not listed, so the second line is record 3.
    writeFile(bytesOf({run(7, 2, 40), run(8, 0, 50), run(8, 5, 61, 46366, "99999")}) + QByteArray(10, '\0'));
    FrmData& d = open();
    EXPECT_EQ(d.Label2->text(), QStringLiteral("総レコード数:") + numberText(142.0 / 44));
    ASSERT_EQ(lines().size(), 2);
    EXPECT_TRUE(lines()[1].startsWith(QStringLiteral("   3 ")));
    EXPECT_TRUE(lines()[1].endsWith(QStringLiteral("8 上田　　　　 中１++他塾")));

    doubleClick(1);
    ASSERT_TRUE(d.Frame1->isVisible());
    EXPECT_EQ(d.SelectedRecord, 3);
    EXPECT_EQ(d.Label3->text(), QStringLiteral("3"));
    EXPECT_EQ(d.Label4->text(), QStringLiteral("ﾚﾍﾞﾙ5"));
    EXPECT_EQ(d.Label5->text(), QStringLiteral("2026/12/10"));
    EXPECT_EQ(d.Label6->text(), QStringLiteral("中１"));
    EXPECT_EQ(d.Text1->text(), QStringLiteral("61"));
    EXPECT_EQ(d.VScroll1->value(), 61);
    EXPECT_EQ(d.Combo1->currentText(), QStringLiteral("8 /  上田"));
    EXPECT_TRUE(d.Command2->isEnabled());
    EXPECT_TRUE(d.Command3->isEnabled());

    // The spin control sets the time box; choosing a pupil sets the grade label.
    EXPECT_EQ(d.VScroll1->minimum(), 0);
    EXPECT_EQ(d.VScroll1->maximum(), 99999);
    EXPECT_EQ(d.VScroll1->singleStep(), 1);
    d.VScroll1->triggerAction(QAbstractSlider::SliderSingleStepSub);  // the upper arrow
    EXPECT_EQ(d.Text1->text(), QStringLiteral("62"));
    d.VScroll1->triggerAction(QAbstractSlider::SliderSingleStepAdd);  // the lower arrow
    d.VScroll1->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(d.Text1->text(), QStringLiteral("60"));
    d.Combo1->setCurrentIndex(0);
    emit d.Combo1->activated(0);
    EXPECT_EQ(d.Label6->text(), QStringLiteral("小４"));

    QTest::mouseClick(d.List1->viewport(), Qt::LeftButton, {}, d.List1->visualRect(d.model->index(0)).center());
    EXPECT_FALSE(d.Frame1->isVisible());
    // "キャンセル" closes the panel too.
    doubleClick(0);
    ASSERT_TRUE(d.Frame1->isVisible());
    d.Command5->click();
    EXPECT_FALSE(d.Frame1->isVisible());
}

TEST_F(RecordsWindow, ChangeGoesToTheLineOwnRecordAndKeepsTheOtherFields)
{
    const QByteArray before = bytesOf({run(7, 2, 40), run(8, 0, 50), run(8, 5, 61, 46360, "99999")});
    writeFile(before);
    FrmData& d = open();
    doubleClick(1);  // record 3, though it is the second line
    d.Combo1->setEditText(QStringLiteral("7 /  青木"));
    d.Command2->click();
    const QByteArray after = fileBytes();
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(after.left(2 * kRecordSize), before.left(2 * kRecordSize));
    // Only the pupil changed: date, time of day, level, time, school code and
    // the further bytes stay as they were.
    QByteArray expected = record(before, 3);
    expected[16] = 7;
    expected[17] = 0;
    EXPECT_EQ(record(after, 3), expected);
    EXPECT_TRUE(fakes.messages.shown.isEmpty());
    // The list is rebuilt with the changed line selected, the panel closed.
    EXPECT_FALSE(d.Frame1->isVisible());
    EXPECT_EQ(d.selectedLine(), 1);
    EXPECT_TRUE(lines()[1].contains(QStringLiteral("   7 青木")));

    // A time box without a number is refused and the stored time stays;
    // full-width figures from the Japanese input are read as typed.
    doubleClick(0);
    d.Text1->setText(QStringLiteral("なし"));
    d.Command2->click();
    EXPECT_EQ(ResultRecordData::fromBytes(record(fileBytes(), 1).constData()).time, 40);
    ASSERT_EQ(fakes.messages.shown.size(), 1);
    EXPECT_TRUE(fakes.messages.shown[0].second.contains(QStringLiteral("時間"))) << fakes.messages.shown[0].second.toStdString();
    d.Text1->setText(QStringLiteral("４５"));
    d.Command2->click();
    EXPECT_EQ(ResultRecordData::fromBytes(record(fileBytes(), 1).constData()).time, 45);
    EXPECT_EQ(d.selectedLine(), 0);
}

TEST_F(RecordsWindow, ChooserOrTimeThatBookNobodyIsRefused)
{
    const QByteArray before = bytesOf({run(7, 2, 40)});
    writeFile(before);
    FrmData& d = open();
    const QString refusals[][2] = {
        {QStringLiteral("40"), QStringLiteral("青木")},       // no "/"
        {QStringLiteral("40"), QStringLiteral("0 /  誰")},    // nobody
        {QStringLiteral("40"), QStringLiteral("6000 /  誰")}, // outside the roster's numbers
        {QStringLiteral("-5"), QStringLiteral("7 /  青木")},  // a time no run takes
        {QStringLiteral("123456"), QStringLiteral("7 /  青木")},
    };
    for (const auto& r : refusals) {
        doubleClick(0);
        d.Text1->setText(r[0]);
        d.Combo1->setEditText(r[1]);
        fakes.messages.shown.clear();
        d.Command2->click();
        EXPECT_EQ(fakes.messages.shown.size(), 1) << r[0].toStdString() << r[1].toStdString();
        EXPECT_EQ(fileBytes(), before);
        EXPECT_TRUE(d.Frame1->isVisible());  // the teacher can put it right
    }
}

TEST_F(RecordsWindow, DeleteMiddleAndLastLines)
{
    const QByteArray before = bytesOf({run(7, 1, 30), run(7, 2, 40), run(8, 3, 50), run(8, 4, 60)});
    writeFile(before);
    FrmData& d = open();

    // A middle line: the record that followed takes its number and its line.
    doubleClick(1);
    d.Command3->click();
    ASSERT_EQ(fakes.messages.shown.size(), 1);
    EXPECT_EQ(fakes.messages.shown[0], qMakePair(QStringLiteral("注意"), QStringLiteral("本当に消去しますか")));
    QByteArray after = fileBytes();
    EXPECT_EQ(after.size(), before.size() - kRecordSize);
    EXPECT_EQ(after, before.left(kRecordSize) + before.mid(2 * kRecordSize));
    EXPECT_EQ(d.Label2->text(), QStringLiteral("総レコード数:3"));
    EXPECT_EQ(d.selectedLine(), 1);
    EXPECT_TRUE(lines()[1].startsWith(QStringLiteral("   2 ")));
    EXPECT_TRUE(lines()[1].contains(QStringLiteral("ﾚﾍﾞﾙ 3")));
    EXPECT_FALSE(d.Frame1->isVisible());

    // The last line: the new last line is selected.
    doubleClick(2);
    d.Command3->click();
    after = fileBytes();
    EXPECT_EQ(after, before.left(kRecordSize) + before.mid(2 * kRecordSize, kRecordSize));
    EXPECT_EQ(d.model->rowCount(), 2);
    EXPECT_EQ(d.selectedLine(), 1);

    // Cancel changes nothing and leaves the panel open.
    doubleClick(0);
    fakes.messages.answer = false;
    d.Command3->click();
    EXPECT_EQ(fileBytes(), after);
    EXPECT_TRUE(d.Frame1->isVisible());
}

TEST_F(RecordsWindow, DeleteOfTheLineAfterALevelZeroRecordRemovesItsOwnRecord)
{
    const QByteArray before = bytesOf({run(7, 0, 30), run(7, 2, 40), run(8, 3, 50)});
    writeFile(before);
    FrmData& d = open();
    doubleClick(0);  // record 2
    d.Command3->click();
    EXPECT_EQ(fileBytes(), before.left(kRecordSize) + before.mid(2 * kRecordSize));
    EXPECT_EQ(d.selectedLine(), 0);
    EXPECT_TRUE(lines()[0].contains(QStringLiteral("ﾚﾍﾞﾙ 3")));
}

TEST_F(RecordsWindow, StaleRecordIsRefusedAndTheListRebuilt)
{
    const QByteArray before = bytesOf({run(7, 1, 30), run(7, 2, 40)});
    writeFile(before);
    FrmData& d = open();

    // Another teacher deleted record 1 meanwhile: record 2 is now another run.
    doubleClick(1);
    const QByteArray changed = before.mid(kRecordSize);
    writeFile(changed);
    d.Text1->setText(QStringLiteral("35"));
    d.Command2->click();
    EXPECT_EQ(fileBytes(), changed);
    ASSERT_EQ(fakes.messages.shown.size(), 1);
    EXPECT_TRUE(fakes.messages.shown[0].second.contains(QStringLiteral("何も変更していません")));
    EXPECT_EQ(d.model->rowCount(), 1);
    EXPECT_EQ(d.Label2->text(), QStringLiteral("総レコード数:1"));
    EXPECT_FALSE(d.Frame1->isVisible());

    // A run appended on another PC after the list was read is kept by a delete.
    doubleClick(0);
    const QByteArray appended = changed + bytesOf({run(8, 3, 70)});
    writeFile(appended);
    fakes.messages.shown.clear();
    d.Command3->click();
    EXPECT_EQ(fileBytes(), appended.mid(kRecordSize));
    EXPECT_EQ(d.model->rowCount(), 1);
    // Its time was changed meanwhile: the delete is refused.
    doubleClick(0);
    QByteArray retimed = fileBytes();
    retimed[20] = 99;
    writeFile(retimed);
    fakes.messages.shown.clear();
    d.Command3->click();
    EXPECT_EQ(fileBytes(), retimed);
    EXPECT_EQ(fakes.messages.shown.size(), 2);  // the question, then the refusal
}

TEST_F(RecordsWindow, BackShowsTheDashboardAndClosesTheManager)
{
    writeFile(QByteArray());
    screens::registerFactory(ScreenId::Dashboard, [] { return new Screen(QStringLiteral("seisekitime1")); });
    registerRecordsManagerScreen();
    auto* d = qobject_cast<FrmData*>(screens::show(ScreenId::RecordsManager));
    ASSERT_NE(d, nullptr);
    d->Command4->click();
    EXPECT_EQ(screens::find(ScreenId::RecordsManager), nullptr);
    QWidget* dash = screens::find(ScreenId::Dashboard);
    ASSERT_NE(dash, nullptr);
    EXPECT_TRUE(dash->isVisible());
    screens::close(ScreenId::Dashboard);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(RecordsWindow, BackPressedWhileTheManagerWaitsForTheFileClosesItOnlyAfterTheWait)
{
    // Another PC holds the file while the manager waits, and the teacher
    // presses "戻る" meanwhile: the manager goes away, but is deleted only
    // once the handler that waited has returned, and the wait's work ends
    // without touching it.
    enum class Path { FirstRead, Delete, Change };
    for (const Path path : {Path::FirstRead, Path::Delete, Path::Change}) {
        SCOPED_TRACE(int(path));
        const QByteArray before = bytesOf({run(7, 1, 30), run(8, 2, 40)});
        writeFile(before);
        fakes.messages.shown.clear();
        screens::registerFactory(ScreenId::Dashboard, [] { return new Screen(QStringLiteral("seisekitime1")); });
        registerRecordsManagerScreen();
        auto other = std::make_unique<RecordFile>();
        QPointer<FrmData> d;
        bool aliveInTheWait = false;
        const auto holdTheFile = [&] {
            other = std::make_unique<RecordFile>();
            ASSERT_TRUE(other->open(toFsPath(resultsPath()), RecordFile::Mode::ReadWriteCreate));
            ASSERT_EQ(other->tryLock(LockKind::Exclusive), LockResult::Locked);
        };
        fakes.clock.onWait = [&](int) {
            if (!other) return;
            test::postClick(d->Command4);  // "戻る"
            test::keepResponsive();
            aliveInTheWait = !d.isNull() && !d->isVisible() && screens::find(ScreenId::RecordsManager) == nullptr;
            other.reset();  // the other PC is done
        };
        if (path == Path::FirstRead) {
            holdTheFile();
            // The manager is opened as the dashboard's handler opens it.
            screens::registerFactory(ScreenId::RecordsManager, [&d] {
                auto* made = new FrmData();
                d = made;
                return made;
            });
            screens::show(ScreenId::RecordsManager);
        } else {
            d = qobject_cast<FrmData*>(screens::show(ScreenId::RecordsManager));
            ASSERT_NE(d, nullptr);
            ASSERT_EQ(d->model->rowCount(), 2);
            doubleClick(1, d);  // newest first: record 1 is the second line
            ASSERT_TRUE(d->Frame1->isVisible());
            holdTheFile();
            if (path == Path::Change) d->Text1->setText(QStringLiteral("35"));
            QTest::mouseClick(path == Path::Delete ? d->Command3 : d->Command2, Qt::LeftButton);
        }
        fakes.clock.onWait = nullptr;
        EXPECT_TRUE(aliveInTheWait);
        ASSERT_TRUE(d);
        EXPECT_FALSE(d->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(d.isNull());  // deleted once its handler was done
        EXPECT_EQ(screens::find(ScreenId::RecordsManager), nullptr);
        ASSERT_NE(screens::find(ScreenId::Dashboard), nullptr);
        EXPECT_TRUE(screens::find(ScreenId::Dashboard)->isVisible());
        // A change confirmed before "戻る" is made; nothing else is told.
        if (path == Path::Delete) EXPECT_EQ(fileBytes(), before.mid(kRecordSize));
        if (path == Path::Change) EXPECT_EQ(fileBytes().mid(20, 4), QByteArray("\x23\0\0\0", 4));
        if (path == Path::FirstRead) EXPECT_EQ(fileBytes(), before);
        EXPECT_EQ(fakes.messages.shown.size(), path == Path::Delete ? 1 : 0);  // only the question
        screens::closeAll();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    registerRecordsManagerScreen();
}

TEST_F(RecordsWindow, ListWaitsWhileAnotherPcAppends)
{
    writeFile(bytesOf({run(7, 2, 40)}));
    // Another PC holds the file's lock while it appends a run.
    auto other = std::make_unique<RecordFile>();
    ASSERT_TRUE(other->open(toFsPath(resultsPath()), RecordFile::Mode::ReadWriteCreate));
    ASSERT_EQ(other->tryLock(LockKind::Exclusive), LockResult::Locked);
    const auto appended = run(8, 3, 50).toBytes();
    ASSERT_TRUE(other->writeAt(kRecordSize, appended.data(), kRecordSize));
    fakes.clock.onWait = [&](int) { other.reset(); };  // its append ends while the list waits
    FrmData& d = open();
    EXPECT_EQ(fakes.clock.waitedMs, 1000);
    EXPECT_TRUE(fakes.messages.shown.isEmpty());
    EXPECT_EQ(d.model->rowCount(), 2);

    // A lock that is never given up: the list says so instead of waiting for ever.
    auto stuck = std::make_unique<RecordFile>();
    ASSERT_TRUE(stuck->open(toFsPath(resultsPath()), RecordFile::Mode::ReadWriteCreate));
    ASSERT_EQ(stuck->tryLock(LockKind::Exclusive), LockResult::Locked);
    fakes.clock.onWait = nullptr;
    d.Command1_Click();
    ASSERT_EQ(fakes.messages.shown.size(), 1);
    EXPECT_TRUE(fakes.messages.shown[0].second.contains(QStringLiteral("成績累積データ.dat")));
    EXPECT_EQ(d.model->rowCount(), 0);
}

TEST_F(RecordsWindow, EnterOpensThePanelOfTheCurrentLineAndPressesTheFocusedButton)
{
    const QByteArray before = bytesOf({run(7, 1, 30), run(7, 2, 40), run(8, 3, 50)});
    writeFile(before);
    FrmData& d = open();
    // The cursor on the second line, as the arrow keys leave it (not yet selected).
    d.List1->selectionModel()->setCurrentIndex(d.model->index(1), QItemSelectionModel::NoUpdate);
    QTest::keyClick(d.List1, Qt::Key_Return);
    ASSERT_TRUE(d.Frame1->isVisible());
    EXPECT_EQ(d.SelectedRecord, 2);
    EXPECT_EQ(d.selectedLine(), 1);

    QTest::keyClick(d.Command5, Qt::Key_Return);  // "キャンセル"
    EXPECT_FALSE(d.Frame1->isVisible());

    QTest::keyClick(d.List1, Qt::Key_Enter);
    ASSERT_TRUE(d.Frame1->isVisible());
    d.Text1->setText(QStringLiteral("44"));
    QTest::keyClick(d.Command2, Qt::Key_Return);  // "変更して記録"
    EXPECT_EQ(ResultRecordData::fromBytes(record(fileBytes(), 2).constData()).time, 44);

    QTest::keyClick(d.List1, Qt::Key_Return);
    QTest::keyClick(d.Command3, Qt::Key_Return);  // "消去", then OK
    ASSERT_EQ(fakes.messages.shown.size(), 1);
    EXPECT_EQ(fakes.messages.shown[0].second, QStringLiteral("本当に消去しますか"));
    EXPECT_EQ(fileBytes(), before.left(kRecordSize) + before.mid(2 * kRecordSize));
}

TEST_F(RecordsWindow, TimeSpinCountsOnFromTheTypedTimeWithItsArrowsTheWheelAndTheKeys)
{
    writeFile(bytesOf({run(7, 1, 30)}));
    FrmData& d = open();
    doubleClick(0);
    ASSERT_TRUE(d.Frame1->isVisible());
    d.Text1->clear();
    QTest::keyClicks(d.Text1, QStringLiteral("50"));

    QStyleOptionSlider opt;
    opt.initFrom(d.VScroll1);
    opt.orientation = Qt::Vertical;
    opt.minimum = d.VScroll1->minimum();
    opt.maximum = d.VScroll1->maximum();
    opt.sliderPosition = opt.sliderValue = d.VScroll1->value();
    opt.upsideDown = d.VScroll1->invertedAppearance();
    opt.subControls = QStyle::SC_All;
    const auto arrow = [&](QStyle::SubControl sc) {
        return d.VScroll1->style()->subControlRect(QStyle::CC_ScrollBar, &opt, sc, d.VScroll1).center();
    };
    const auto wheel = [&](int dy) {
        QWheelEvent e(QPointF(5, 5), d.VScroll1->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, dy), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(d.VScroll1, &e);
    };
    struct Step {
        std::function<void()> act;
        const char* time;
    } steps[] = {
        {[&] { QTest::mouseClick(d.VScroll1, Qt::LeftButton, {}, arrow(QStyle::SC_ScrollBarSubLine)); }, "51"},  // upper arrow
        {[&] { wheel(120); }, "52"},                                                                            // wheel up
        {[&] { wheel(-120); }, "51"},
        {[&] { QTest::mouseClick(d.VScroll1, Qt::LeftButton, {}, arrow(QStyle::SC_ScrollBarAddLine)); }, "50"},  // lower arrow
        {[&] { QTest::keyClick(d.Text1, Qt::Key_Up); }, "51"},  // the keys in the time box
        {[&] { QTest::keyClick(d.Text1, Qt::Key_Down); }, "50"},
    };
    for (const Step& s : steps) {
        s.act();
        EXPECT_EQ(d.Text1->text(), QString::fromUtf8(s.time));
    }
}

TEST_F(RecordsWindow, EveryLineCanBeScrolledIntoViewWhole)
{
    // The last line is short (another school's run of a pupil without a
    // grade label); the earlier ones are long (this school's long name, a
    // pupil with a label, a wide time).
    s.SchoolName = QStringLiteral("つばさ学習塾　本校　第二教室");
    std::vector<ResultRecordData> records(5, run(7, 12, 99999));
    records.push_back(run(1001, 1, 30, 46366, "99999"));
    writeFile(bytesOf(records));
    FrmData& d = open();
    ASSERT_EQ(d.model->rowCount(), 6);
    const QFontMetrics fm(d.List1->font());
    for (int row = 0; row < 6; ++row) {
        const int text = fm.horizontalAdvance(lines()[row]);
        EXPECT_GE(d.List1->visualRect(d.model->index(row)).width(), text) << row;
    }
    EXPECT_GT(d.List1->horizontalScrollBar()->maximum(), 0);
}

TEST_F(RecordsWindow, CsvExportWritesEveryListedRunToTheChosenFolder)
{
    writeFile(bytesOf({run(7, 1, 45), run(8, 2, 99999), run(7, 0, 30)}));
    FrmData& d = open();
    ASSERT_TRUE(d.CsvExport->isVisible());
    const QString folder = dir.mkdir(QStringLiteral("書き出し"));
    fakes.folders.folder = folder;
    const QString name = QStringLiteral("みどり塾_成績累積データ_2026-12-10.csv");

    d.CsvExport->click();
    QFile utf8(folder + name);
    ASSERT_TRUE(utf8.open(QIODevice::ReadOnly));
    const QByteArray bytes = utf8.readAll();
    utf8.close();
    ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    const QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);  // the heading and the two runs the list shows
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("1,2026/12/10,09:36:00,7,青木,小４,1,")));
    EXPECT_TRUE(lines[2].contains(QStringLiteral(",8,上田,中１,2,")));
    ASSERT_EQ(fakes.messages.shown.size(), 1);
    EXPECT_TRUE(fakes.messages.shown[0].second.contains(name));

    // The file is there: the export asks before writing over it, and the
    // chooser opens in the folder chosen last.
    fakes.messages.answer = false;
    fakes.messages.shown.clear();
    d.CsvCp932->setChecked(true);
    d.CsvExport->click();
    ASSERT_EQ(fakes.messages.shown.size(), 1);
    EXPECT_TRUE(fakes.messages.shown[0].second.contains(QStringLiteral("上書きしますか"))) << fakes.messages.shown[0].second.toStdString();
    ASSERT_EQ(fakes.folders.startedIn.size(), 2);
    EXPECT_EQ(fakes.folders.startedIn[1], folder);
    {
        QFile kept(folder + name);
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), bytes);
    }
    // Shift_JIS when ticked: the same lines, no mark.
    fakes.messages.answer = true;
    d.CsvExport->click();
    QFile cp932(folder + name);
    ASSERT_TRUE(cp932.open(QIODevice::ReadOnly));
    const QByteArray sjis = cp932.readAll();
    EXPECT_FALSE(sjis.startsWith("\xEF\xBB\xBF"));
    EXPECT_EQ(decodeCp932(sjis), QString::fromUtf8(bytes.mid(3)));

    // Cancelled: nothing written, nothing said.
    fakes.folders.folder.clear();
    fakes.messages.shown.clear();
    QFile::remove(folder + name);
    d.CsvExport->click();
    EXPECT_FALSE(QFile::exists(folder + name));
    EXPECT_TRUE(fakes.messages.shown.isEmpty());
}

// "バックアップ": the results file copied whole, under its lock, to a dated
// file in the chosen folder; a rewrite a PC left half done is finished
// before the copy is taken (a plain copy of the file would catch it half
// rewritten); a file held by another PC for too long is told, nothing written.
TEST_F(RecordsWindow, BackupCopiesTheWholeFileUnderItsLockToADatedFile)
{
    QByteArray file = bytesOf({run(7, 1, 45), run(8, 2, 60), run(7, 3, 70), run(8, 1, 99)});
    writeFile(file + QByteArray("torn", 4));  // a torn end is copied as it is
    FrmData& d = open();
    ASSERT_TRUE(d.Backup->isVisible());
    EXPECT_EQ(d.Backup->text(), QStringLiteral("バックアップ"));
    const QString folder = dir.mkdir(QStringLiteral("写し"));
    fakes.folders.folder = folder;
    const QString name = backupFileName(fakes.clock.now());
    EXPECT_TRUE(name.startsWith(QStringLiteral("成績累積データ_2026-12-10_"))) << name.toStdString();

    const auto copyOf = [&](const QString& n) {
        QFile f(folder + n);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    d.Backup->click();
    EXPECT_EQ(copyOf(name), file + QByteArray("torn", 4));
    ASSERT_EQ(fakes.messages.shown.size(), 1);
    EXPECT_TRUE(fakes.messages.shown[0].second.contains(name));

    // A teacher's PC died half-way through an in-place rewrite.
    writeFile(file);
    const Replacement before = replacement();
    setReplacement(Replacement::InPlace);
    {
        test::FaultyRecordIo disk;
        disk.shortWriteAt = 5;  // (journal, stamp) half the new contents in place ...
        disk.failWriteAt = 6;   // ... then the disk fails
        test::RecordIoInstalled installed(disk);
        QString problem;
        EXPECT_FALSE(updateResults(
            [](std::vector<ResultRecordData>& records, QString*) {
                records.erase(records.begin());
                return true;
            },
            &problem));
    }
    setReplacement(before);
    const QByteArray half = fileBytes();
    ASSERT_NE(half, file);
    ASSERT_NE(half, file.mid(kRecordSize));
    d.Backup->click();  // the same second: a name of its own
    const QString second = name.chopped(4) + QStringLiteral("_2.dat");
    EXPECT_EQ(copyOf(second), file.mid(kRecordSize));

    // Held by another PC throughout: told, nothing written.
    RecordFile other;
    ASSERT_TRUE(other.open(toFsPath(resultsPath()), RecordFile::Mode::ReadWrite));
    ASSERT_EQ(other.tryLock(LockKind::Exclusive), LockResult::Locked);
    fakes.messages.shown.clear();
    d.Backup->click();
    EXPECT_FALSE(QFile::exists(folder + name.chopped(4) + QStringLiteral("_3.dat")));
    ASSERT_EQ(fakes.messages.shown.size(), 1);
    EXPECT_TRUE(fakes.messages.shown[0].second.contains(QStringLiteral("使用中"))) << fakes.messages.shown[0].second.toStdString();
    other.close();

    // Cancelled: nothing written, nothing said.
    fakes.folders.folder.clear();
    fakes.messages.shown.clear();
    d.Backup->click();
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 2);
    EXPECT_TRUE(fakes.messages.shown.isEmpty());
}

TEST_F(RecordsWindow, NewestFirstFiltersAndOnePupilsDayDeletedInOneStep)
{
    // Pupil 7: a run on the 5th and two on the 6th (one a time-over at level
    // 12); pupil 8: one on the 6th.
    const QByteArray before = bytesOf({run(7, 1, 30, 46365), run(7, 2, 40, 46366), run(8, 3, 50, 46366),
                                       run(7, 12, kTimeOver, 46366)});
    writeFile(before);
    FrmData& d = open(RecordOrder::NewestFirst);
    ASSERT_EQ(lines().size(), 4);
    EXPECT_TRUE(lines()[0].startsWith(QStringLiteral("   4 ")));  // the same moment: the later record first
    EXPECT_TRUE(lines()[0].contains(QStringLiteral("ﾚﾍﾞﾙ12　時間切れ")));
    EXPECT_TRUE(lines()[3].startsWith(QStringLiteral("   1 ")));
    EXPECT_EQ(d.Filters->ShownCount->text(), QStringLiteral("表示 4件"));
    // Before 期間 is ticked its boxes offer the last month (today is 2026/12/10), not the year 2000.
    EXPECT_FALSE(d.Filters->FilterPeriod->isChecked());
    EXPECT_EQ(d.Filters->FilterFrom->date(), QDate(2026, 11, 10));
    EXPECT_EQ(d.Filters->FilterTo->date(), QDate(2026, 12, 10));

    d.Filters->FilterPupil->setCurrentIndex(d.Filters->FilterPupil->findData(7));
    EXPECT_EQ(lines().size(), 3);
    EXPECT_EQ(d.Filters->ShownCount->text(), QStringLiteral("表示 3件（全4件中）"));
    d.Filters->FilterTimeOver->setCurrentIndex(1);  // time-overs only
    ASSERT_EQ(lines().size(), 1);
    EXPECT_TRUE(lines()[0].startsWith(QStringLiteral("   4 ")));
    d.Filters->FilterTimeOver->setCurrentIndex(0);

    // The day of the first line: records 2 and 4, pupil 7's runs of the 6th.
    doubleClick(0);
    ASSERT_TRUE(d.Frame1->isVisible());
    fakes.messages.answer = false;
    d.DeleteDay->click();
    EXPECT_EQ(fileBytes(), before);
    ASSERT_EQ(fakes.messages.shown.size(), 1);
    EXPECT_TRUE(fakes.messages.shown[0].second.contains(QStringLiteral("2件"))) << fakes.messages.shown[0].second.toStdString();

    // One of them changed on another PC meanwhile: nothing is deleted.
    QByteArray retimed = before;
    retimed[kRecordSize + 20] = 41;
    writeFile(retimed);
    fakes.messages.answer = true;
    fakes.messages.shown.clear();
    d.DeleteDay->click();
    EXPECT_EQ(fileBytes(), retimed);
    ASSERT_EQ(fakes.messages.shown.size(), 2);
    EXPECT_TRUE(fakes.messages.shown[1].second.contains(QStringLiteral("何も変更していません")));

    // Listed again, the day goes in one step; the filter stays.
    doubleClick(0);
    d.DeleteDay->click();
    EXPECT_EQ(fileBytes(), record(retimed, 1) + record(retimed, 3));
    ASSERT_EQ(lines().size(), 1);
    EXPECT_TRUE(lines()[0].startsWith(QStringLiteral("   1 ")));
}
