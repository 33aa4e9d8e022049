// The dashboard's per-pupil times with its summary panel and printing, and
// the teacher's password panel, on a small school.
#include "Fakes.h"
#include "Runs.h"
#include "TempDir.h"
#include "TeacherSchool.h"
#include "dashboard/Dashboard.h"
#include "platform/Calendar.h"
#include "frame/Catalogue.h"
#include "frame/Navigator.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

using namespace karuvel;

namespace {

// The small teachers' school (TeacherSchool.h).
class TeacherWindow : public ::testing::Test {
protected:
    test::FakePlatform fakes;
    test::TempDir dir;
    ProgramState& s = state();
    double today = 0;

    void SetUp() override
    {
        test::makeTeacherSchool(dir);
        s.DataChangePassword = Loose(QStringLiteral("karuvel"));
        today = toOleDate(fakes.clock.now().date());
        writeRuns({{today, 1, 1, 40}, {today, 2, 1, 50}, {today - 1, 3, 1, 70}, {today, 3, 1, 65}});
    }

    void TearDown() override { screens::closeAll(); }

    void signIn(int pupil, const QString& name) { test::signInAs(fakes.clock, pupil, name); }

    void writeRuns(const std::vector<std::tuple<double, int, int, int>>& runs)  // date, pupil, level, time
    {
        dir.writeBytes(QStringLiteral("成績累積データ.dat"), test::runsBytes(runs));
    }

    // The dashboard as the program opens it, through the navigator.
    seisekitime1& open()
    {
        auto* d = test::openDashboard();
        EXPECT_NE(d, nullptr);
        return *d;
    }

    static QStringList lines(QListWidget* list) { return test::listLines(list); }
    static QStringList titles(const QStringList& printed)
    {
        QStringList out;
        for (const QString& l : printed)
            if (l.startsWith(QStringLiteral("Karuvel"))) out << l;
        return out;
    }
};

// A printer whose paper has run out.
class FailingPrinter : public IPrinter {
public:
    int calls = 0;
    int ended = 0;
    bool startJob(const QString&, int) override { return true; }
    bool printLines(const QStringList&, int) override
    {
        ++calls;
        return false;
    }
    void newPage() override {}
    bool printDrawing(const std::function<void(QPainter&, const QRectF&)>&, double) override
    {
        ++calls;
        return false;
    }
    void endJob() override { ++ended; }
};

// Stand-ins for the teacher's windows: they note that they were shown.
QStringList shownScreens;
class StandIn : public Screen {
public:
    explicit StandIn(const QString& name) : Screen(name) {}
    void activate() override { shownScreens << objectName(); }
};

} // namespace

TEST_F(TeacherWindow, PerPupilTimesShowsOwnRunsAndTheSignedInPupilsSheet)
{
    signIn(3, QStringLiteral("小川"));
    seisekitime1& d = open();
    EXPECT_FALSE(d.Command17->isVisible());
    d.Option2[2]->click();

    EXPECT_EQ(d.Label5->text(), QStringLiteral("個人別ﾀｲﾑ"));
    EXPECT_TRUE(d.Command17->isVisible());
    EXPECT_FALSE(d.Picture6->isVisible());
    EXPECT_EQ(lines(d.List5[1]), QStringList({QStringLiteral("  70秒12/09●小川　　　●"),
                                              QStringLiteral("  65秒12/10●小川　　　●")}));
    EXPECT_TRUE(d.List5[1]->isVisible());
    // The roster read afresh: listed pupils only, "grade /  name/number".
    EXPECT_EQ(lines(d.List2), QStringList({QStringLiteral("小５ /  青木/1"), QStringLiteral("中２ /  上田/2"),
                                           QStringLiteral("小３ /  小川/3")}));
    EXPECT_EQ(d.List3->count(), 12);
    EXPECT_EQ(d.ShownPupil, 3);
    EXPECT_EQ(d.ShownLevel, 1);
    // Back and start buttons stay off in this display, and so do the view
    // options, which would put rankings under the per-pupil heading.
    EXPECT_FALSE(d.Command1->isEnabled());
    EXPECT_FALSE(d.Command4[1]->isEnabled());
    EXPECT_FALSE(d.Option1[1]->isEnabled());

    // The panel opens on the signed-in pupil's sheet of the first two levels.
    ASSERT_TRUE(d.Picture11->isVisible());
    EXPECT_FALSE(d.Command24[1]->isVisible());  // printing is for teachers
    EXPECT_FALSE(d.List2->isVisible());
    const QStringList sheet = d.SheetText->toPlainText().split(QLatin1Char('\n'));
    ASSERT_EQ(sheet.size(), 24);
    EXPECT_EQ(sheet[0], QStringLiteral("Karuvel　小３ 小川（3）"));
    EXPECT_EQ(sheet[1], QStringLiteral("期間：最近10年　くらべる相手：塾全体"));
    EXPECT_EQ(sheet[2], QStringLiteral("【1】川１"));
    EXPECT_EQ(sheet[5], QStringLiteral("　　順位　　　　     3位"));
    EXPECT_EQ(sheet[13], QStringLiteral("【2】川２"));

    // "表示" with no pupil chosen: the signed-in pupil again, now for level 2 alone.
    d.List3->clearSelection();
    d.List3->item(1)->setSelected(true);
    d.Command24[0]->click();
    EXPECT_EQ(d.SheetText->toPlainText().split(QLatin1Char('\n')).size(), 13);
    EXPECT_TRUE(d.SheetText->toPlainText().startsWith(
        QStringLiteral("Karuvel　小３ 小川（3）\n期間：最近10年　くらべる相手：塾全体\n【2】川２")));

    // Another display hides the graph button and the panel and frees the buttons.
    d.Option2[1]->click();
    EXPECT_FALSE(d.Picture11->isVisible());
    EXPECT_FALSE(d.Command17->isVisible());
    EXPECT_TRUE(d.Command1->isEnabled());
    EXPECT_TRUE(d.Option1[2]->isEnabled());
    EXPECT_EQ(d.Label5->text(), QStringLiteral("獲得ポイント（今まで順位）"));
}

TEST_F(TeacherWindow, TeacherPrintsChosenPupilsInListOrderAsOneJob)
{
    signIn(4, QStringLiteral("上野先生"));
    seisekitime1& d = open();
    d.Option2[2]->click();
    ASSERT_TRUE(d.Command24[1]->isVisible());
    d.Command25->click();
    EXPECT_FALSE(d.Command25->isVisible());
    EXPECT_TRUE(d.List2->isVisible());
    // Chosen in the order 3, 1, 2: the sheets come in list order.
    for (int row : {2, 0, 1}) d.List2->item(row)->setSelected(true);
    d.List3->clearSelection();
    d.List3->item(0)->setSelected(true);

    d.Command24[1]->click();
    EXPECT_EQ(titles(fakes.printer.printed),
              QStringList({QStringLiteral("Karuvel　小５ 青木（1）"), QStringLiteral("Karuvel　中２ 上田（2）"),
                           QStringLiteral("Karuvel　小３ 小川（3）")}));
    EXPECT_TRUE(fakes.printer.printed.contains(QStringLiteral("　　最高　　　　     65秒 /     40秒")));
    EXPECT_EQ(fakes.printer.jobsEnded, 1);
    EXPECT_EQ(fakes.printer.newPages, 2);  // a sheet of paper per pupil
    EXPECT_EQ(d.ShownPupil, 3);
    EXPECT_TRUE(fakes.messages.shown.isEmpty());
    // The teacher was asked first, for a job of three sheets named after what it prints.
    EXPECT_EQ(fakes.printer.jobSheets, std::vector<int>{3});
    ASSERT_EQ(fakes.printer.jobTitles.size(), 1);
    EXPECT_TRUE(fakes.printer.jobTitles[0].startsWith(QStringLiteral("みどり塾_成績表_")));
    EXPECT_TRUE(fakes.printer.jobTitles[0].endsWith(QStringLiteral("_青木・上田・小川")));

    // Cancelled in the print dialog: nothing printed, nothing said.
    fakes.printer.teacherPrints = false;
    const int linesBefore = int(fakes.printer.printed.size());
    d.Command24[1]->click();
    EXPECT_EQ(int(fakes.printer.printed.size()), linesBefore);
    EXPECT_EQ(fakes.printer.jobsEnded, 1);
    EXPECT_TRUE(fakes.messages.shown.isEmpty());
    fakes.printer.teacherPrints = true;

    // On the panel the three sheets follow each other, and the lists show the last one's runs.
    d.Command24[0]->click();
    EXPECT_EQ(titles(d.SheetText->toPlainText().split(QLatin1Char('\n'))).size(), 3);
    EXPECT_EQ(lines(d.List5[1]).size(), 2);

    // The grade chooser filters the lists, not the group the sheets compare
    // with: that is the panel's own choice, named on the sheet.
    d.Combo1->setCurrentIndex(d.Combo1->findText(QStringLiteral("中学生全体")));
    d.Combo1_Click();
    EXPECT_TRUE(d.Picture11->isVisible());
    EXPECT_TRUE(d.SheetText->toPlainText().contains(QStringLiteral("　　最高　　　　     65秒 /     40秒")));
    EXPECT_TRUE(d.SheetText->toPlainText().contains(QStringLiteral("くらべる相手：塾全体")));

    // A printer that fails is told about, and its job still ends once.
    FailingPrinter failing;
    platform().printer = &failing;
    d.Command24[1]->click();
    EXPECT_EQ(failing.calls, 1);
    EXPECT_EQ(failing.ended, 1);
    ASSERT_EQ(fakes.messages.shown.size(), 1);
    EXPECT_TRUE(fakes.messages.shown[0].second.startsWith(QStringLiteral("印刷できませんでした")));
}

TEST_F(TeacherWindow, PasswordPanelOpensTheChosenWindowOnlyForTheExactPassword)
{
    screens::registerFactory(ScreenId::RecordsManager, [] { return new StandIn(QStringLiteral("FrmData")); });
    screens::registerFactory(ScreenId::CriteriaEditor, [] { return new StandIn(QStringLiteral("FrmTimeData")); });
    struct Case {
        const char* password;
        const char* typed;
        int member;
        const char* opens;  // nullptr: the message, and the panel stays
    };
    const Case cases[] = {
        {"karuvel", "", 0, nullptr},
        {"karuvel", "Karuvel", 0, nullptr},   // case matters
        {"karuvel", "karuvel ", 1, nullptr},  // the whole box counts
        {"", "", 0, "FrmData"},               // an empty box matches an empty password only
        {"karuvel", "karuvel", 0, "FrmData"},
        {"karuvel", "karuvel", 1, "FrmTimeData"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.typed) + " / " + std::to_string(c.member));
        s.DataChangePassword = Loose(QString::fromUtf8(c.password));
        signIn(4, QStringLiteral("上野先生"));
        shownScreens.clear();
        fakes.messages.shown.clear();
        seisekitime1& d = open();
        d.Command8->click();
        ASSERT_TRUE(d.Picture7->isVisible());
        EXPECT_EQ(d.Text3->echoMode(), QLineEdit::Password);
        d.Text3->setText(QString::fromUtf8(c.typed));
        d.Command10[size_t(c.member)]->click();
        if (!c.opens) {
            ASSERT_EQ(fakes.messages.shown.size(), 1);
            EXPECT_EQ(fakes.messages.shown[0].second,
                      *c.typed ? QStringLiteral("パスワードが違います。\r\nもう一度入力して下さい。")
                               : QStringLiteral("パスワードを入力して下さい"));
            EXPECT_TRUE(d.Picture7->isVisible());
            EXPECT_TRUE(d.Text3->text().isEmpty());  // cleared for the next try
            EXPECT_TRUE(shownScreens.isEmpty());
            EXPECT_EQ(screens::find(ScreenId::Dashboard), &d);
            screens::close(ScreenId::Dashboard);
        } else {
            EXPECT_TRUE(fakes.messages.shown.isEmpty());
            EXPECT_EQ(shownScreens, QStringList{QString::fromUtf8(c.opens)});
            EXPECT_EQ(screens::find(ScreenId::Dashboard), nullptr);  // the dashboard is gone
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        screens::closeAll();
    }
}

TEST_F(TeacherWindow, ComingBackFromATeacherWindowBuildsTheDashboardAnewAtItsPlace)
{
    screens::registerFactory(ScreenId::RecordsManager, [] { return new StandIn(QStringLiteral("FrmData")); });
    signIn(4, QStringLiteral("上野先生"));
    seisekitime1& d = open();
    d.HScroll1->setValue(5);
    d.Command8->click();
    d.Text3->setText(QStringLiteral("karuvel"));
    d.Command10[0]->click();
    EXPECT_EQ(screens::find(ScreenId::Dashboard), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    seisekitime1& again = open();
    EXPECT_FALSE(again.Picture7->isVisible());
    EXPECT_EQ(again.HScroll1->value(), 5);
    EXPECT_EQ(again.Command4[5]->x(), 20);
}

TEST_F(TeacherWindow, StartButtonsAndKeysDoNothingWhileThePasswordPanelShows)
{
    signIn(4, QStringLiteral("上野先生"));
    seisekitime1& d = open();
    d.Command8->click();
    d.Command4_Click(1);
    d.Command28_Click(1);
    // Digits go into the password box instead of starting levels or going back.
    QTest::keyClicks(d.Text3, QStringLiteral("102"));
    EXPECT_EQ(s.SelectedLevel, 0);
    EXPECT_EQ(d.Text3->text(), QStringLiteral("102"));
    EXPECT_TRUE(d.isVisible());

    d.Command12->click();
    EXPECT_FALSE(d.Picture7->isVisible());
    EXPECT_TRUE(d.handleKey(QStringLiteral("2")));
    EXPECT_EQ(s.SelectedLevel, 2);
}

TEST_F(TeacherWindow, ThePasswordPanelIsClosedAndEmptiedForTheNextPupil)
{
    signIn(4, QStringLiteral("上野先生"));
    seisekitime1& d = open();
    d.Command8->click();
    d.Text3->setText(QStringLiteral("karu"));
    d.Command1->click();  // back to name selection with the panel open
    signIn(3, QStringLiteral("小川"));
    d.show();
    d.activate();
    EXPECT_FALSE(d.Picture7->isVisible());
    EXPECT_TRUE(d.Text3->text().isEmpty());
    EXPECT_FALSE(d.Command8->isVisible());
    EXPECT_TRUE(d.handleKey(QStringLiteral("1")));
    EXPECT_EQ(s.SelectedLevel, 1);
}

TEST_F(TeacherWindow, AMissingRosterIsToldAndThePupilsOfTheSignInAreListed)
{
    // The roster as name selection loaded it, then the file goes away.
    const char* names[] = {"", "青木", "上田", "小川"};
    for (int p = 1; p <= 3; ++p) {
        s.RosterOrder[size_t(p)] = p;
        s.PupilNames[size_t(p)] = QString::fromUtf8(names[p]).leftJustified(20, QLatin1Char(' '));
        s.PupilGrades[size_t(p)] = QStringLiteral("小５");
    }
    s.RosterCount = Loose(3);
    QFile::remove(dir.file(QStringLiteral("新名簿.txt")));
    signIn(4, QStringLiteral("上野先生"));
    seisekitime1& d = open();
    d.Option2[2]->click();
    ASSERT_EQ(fakes.messages.shown.size(), 1);
    EXPECT_TRUE(fakes.messages.shown[0].second.contains(QStringLiteral("新名簿.txt")));
    EXPECT_EQ(d.List2->count(), 3);
    EXPECT_EQ(d.List2->item(2)->text(), QStringLiteral("小５ /  小川/3"));
    EXPECT_TRUE(d.Picture11->isVisible());
}

TEST_F(TeacherWindow, ThePeriodChooserIsAwayWhileThePerPupilDisplayShows)
{
    signIn(3, QStringLiteral("小川"));
    seisekitime1& d = open();
    d.Option1[3]->click();  // all runs of a period: the chooser shows
    ASSERT_TRUE(d.Combo2->isVisible());

    d.Option2[2]->click();
    EXPECT_FALSE(d.Combo2->isVisible());
    // A period chosen anyway leaves the pupil's runs and sheet in place.
    d.Combo2->setCurrentIndex(4);
    d.Combo2_Click(4);
    EXPECT_EQ(d.Label5->text(), QStringLiteral("個人別ﾀｲﾑ"));
    EXPECT_EQ(lines(d.List5[1]).size(), 2);
    EXPECT_TRUE(d.Picture11->isVisible());
    EXPECT_EQ(s.ResultsPeriod, 3);
    EXPECT_EQ(d.Combo2->currentIndex(), 2);

    // Back in the time display the period view comes with its chooser.
    d.Option2[0]->click();
    EXPECT_TRUE(d.Combo2->isVisible());
    EXPECT_FALSE(d.Picture11->isVisible());
}

TEST_F(TeacherWindow, ThePasswordPanelStaysInFrontOfTheSummaryPanel)
{
    signIn(4, QStringLiteral("上野先生"));
    seisekitime1& d = open();
    d.Command8->click();
    // The summary panel opens over the same part of the screen.
    for (const auto& open : std::vector<std::function<void()>>{[&] { d.Option2[2]->click(); },
                                                                [&] { d.Command17->click(); }}) {
        open();
        ASSERT_TRUE(d.Picture11->isVisible());
        for (QWidget* w : std::initializer_list<QWidget*>{d.Text3, d.Command10[0], d.Command10[1], d.Command12}) {
            const QPoint centre = w->mapTo(d.frame(), w->rect().center());
            EXPECT_EQ(d.frame()->childAt(centre), w) << w->objectName().toStdString();
        }
    }
}
