// The dashboard's progress views on a small school: the charts of "グラフ",
// the sheets printed with their charts and saved as PDF, and the teacher's
// class overview.
#include "Fakes.h"
#include "PdfText.h"
#include "Runs.h"
#include "TempDir.h"
#include "TeacherSchool.h"
#include "dashboard/Dashboard.h"
#include "platform/Calendar.h"
#include "frame/Catalogue.h"
#include "frame/Navigator.h"
#include "roster/Roster.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <gtest/gtest.h>

using namespace karuvel;

namespace {

// The small teachers' school (TeacherSchool.h).
class ProgressWindow : public ::testing::Test {
protected:
    test::FakePlatform fakes;
    test::TempDir dir;
    ProgramState& s = state();
    double today = 0;

    void SetUp() override
    {
        test::makeTeacherSchool(dir);
        today = toOleDate(fakes.clock.now().date());
        // 青木 clears level 1 with three quick runs; 小川 runs level 1 twice
        // (once out of time) and level 2 once; 上田 has never run.
        dir.writeBytes(QStringLiteral("成績累積データ.dat"),
                       test::runsBytes({{today - 2, 1, 1, 30},
                                        {today - 1, 1, 1, 25},
                                        {today, 1, 1, 20},
                                        {today - 3, 3, 1, 99999},
                                        {today - 1, 3, 1, 70},
                                        {today, 3, 2, 65}}));
        fakes.folders.folder = dir.mkdir(QStringLiteral("保存先"));
        // The roster as the sign-in leaves it.
        ASSERT_EQ(LoadRoster(), RosterLoad::Ok);
    }

    void TearDown() override { screens::closeAll(); }

    seisekitime1& open(int pupil, const QString& name)
    {
        test::signInAs(fakes.clock, pupil, name);
        auto* d = test::openDashboard();
        EXPECT_NE(d, nullptr);
        return *d;
    }

    QStringList savedFiles() const
    {
        return QDir(fakes.folders.folder).entryList(QDir::Files, QDir::Name);
    }
};

} // namespace

TEST_F(ProgressWindow, GraphShowsTheSignedInPupilsChartsBesideTheSheet)
{
    seisekitime1& d = open(3, QStringLiteral("小川"));
    d.Option2[2]->click();
    // The per-pupil view opens the sheet; the charts wait for "グラフ".
    EXPECT_TRUE(d.Picture11->isVisible());
    EXPECT_FALSE(d.Picture12->isVisible());
    EXPECT_FALSE(d.Picture11->SavePdf->isVisible());  // for teachers
    EXPECT_FALSE(d.Command26->isVisible());

    d.Command17->click();
    ASSERT_TRUE(d.Picture12->isVisible());
    const PupilCharts& charts = d.Picture12->charts();
    EXPECT_EQ(charts.title, QStringLiteral("Karuvel　小３ 小川（3）"));
    EXPECT_EQ(charts.subtitle, QStringLiteral("期間：最近10年　くらべる相手：塾全体"));
    ASSERT_EQ(charts.levels.size(), 2u);  // the two levels of the sheet
    ASSERT_EQ(charts.levels[0].runs.size(), 2u);
    EXPECT_TRUE(charts.levels[0].runs[0].noTime);
    EXPECT_EQ(charts.levels[0].bestSteps.size(), 1u);
    EXPECT_EQ(charts.levels[0].target, 60);
    EXPECT_EQ(charts.levels[0].schoolAverage, 36);  // (30 + 25 + 20 + 70) / 4 runs, rounded
    EXPECT_FALSE(charts.weeks.empty());
    EXPECT_GT(charts.toWhen, charts.fromWhen);

    // Choosing levels redraws the charts with the sheet.
    d.List3->clearSelection();
    d.List3->item(1)->setSelected(true);
    d.Command24[0]->click();
    ASSERT_EQ(d.Picture12->charts().levels.size(), 1u);
    EXPECT_EQ(d.Picture12->charts().levels[0].level, 2);

    // The panel's "戻る" takes the charts away too, and so does another display.
    d.Command18->click();
    EXPECT_FALSE(d.Picture12->isVisible());
    d.Command17->click();
    EXPECT_TRUE(d.Picture12->isVisible());
    d.Option2[1]->click();
    EXPECT_FALSE(d.Picture12->isVisible());
}

TEST_F(ProgressWindow, TeacherPrintsChartsWithEverySheetAndSavesThemAsOnePdf)
{
    seisekitime1& d = open(4, QStringLiteral("上野先生"));
    d.Option2[2]->click();
    ASSERT_TRUE(d.Picture11->SavePdf->isVisible());
    d.Command25->click();
    for (int row : {0, 1, 2}) d.List2->item(row)->setSelected(true);

    d.Command24[1]->click();
    EXPECT_EQ(fakes.printer.drawings.size(), 3u);  // each pupil's charts after their lines
    EXPECT_EQ(fakes.printer.newPages, 2);
    EXPECT_EQ(fakes.printer.jobsEnded, 1);

    d.Picture11->SavePdf->click();
    const QString name = QStringLiteral("みどり塾_成績表_2026-12-10_青木・上田・小川.pdf");
    ASSERT_EQ(savedFiles(), QStringList{name});
    const QString path = fakes.folders.folder + name;
    EXPECT_EQ(test::pdfPages(path), 3);
    EXPECT_TRUE(test::squeezed(test::pdfText(path, 2)).contains(QStringLiteral("中２上田（2）")));
    ASSERT_EQ(fakes.messages.shown.size(), 1);
    EXPECT_TRUE(fakes.messages.shown[0].second.contains(name));

    // Saved again the same day: a second file, the first one kept.
    d.Picture11->SavePdf->click();
    EXPECT_EQ(savedFiles().size(), 2);
    // A teacher who cancels the folder chooser gets no file and no message.
    fakes.folders.folder.clear();
    fakes.messages.shown.clear();
    d.Picture11->SavePdf->click();
    EXPECT_TRUE(fakes.messages.shown.isEmpty());
}

TEST_F(ProgressWindow, ClassOverviewForTeachersFollowsTheGradeSortsPrintsAndSaves)
{
    seisekitime1& d = open(4, QStringLiteral("上野先生"));
    ASSERT_TRUE(d.Command26->isVisible());
    d.Combo1->setCurrentIndex(d.Combo1->findText(QStringLiteral("全学年")));
    d.Combo1_Click();
    d.Command26->click();
    ClassOverviewPanel& o = *d.OverviewPanel;
    ASSERT_TRUE(o.isVisible());
    EXPECT_EQ(o.OverviewTitle->text(), QStringLiteral("クラス一覧　全学年　（3人）"));
    ClassOverviewModel& m = *o.model;
    ASSERT_EQ(m.rowCount(), 3);
    EXPECT_EQ(m.columnCount(), 13);  // the name and twelve levels
    EXPECT_EQ(m.data(m.index(0, 0), Qt::DisplayRole).toString(), QStringLiteral("小５ 青木"));
    EXPECT_EQ(m.data(m.index(0, 1), Qt::DisplayRole).toString(), QStringLiteral("クリア\n3回 44点\n最高 20秒"));
    EXPECT_EQ(m.data(m.index(1, 1), Qt::DisplayRole).toString(), QStringLiteral("−"));
    EXPECT_EQ(m.data(m.index(2, 1), Qt::DisplayRole).toString(), QStringLiteral("1回 4点\n最高 70秒"));

    // Pressing a level's heading sorts by it: those furthest behind first.
    o.OverviewTable->horizontalHeader()->setSortIndicator(1, Qt::AscendingOrder);
    EXPECT_EQ(m.data(m.index(0, 0), Qt::UserRole).toInt(), 2);
    EXPECT_EQ(m.data(m.index(2, 0), Qt::UserRole).toInt(), 1);

    // Another grade in the chooser: the overview follows it.
    d.Combo1->setCurrentIndex(d.Combo1->findText(QStringLiteral("小学生全体")));
    d.Combo1_Click();
    EXPECT_EQ(m.rowCount(), 2);
    EXPECT_EQ(o.OverviewTitle->text(), QStringLiteral("クラス一覧　小学生全体　（2人）"));

    o.OverviewPrint->click();
    EXPECT_EQ(fakes.printer.drawings.size(), 1u);
    EXPECT_EQ(fakes.printer.jobsEnded, 1);
    // The job is asked for first, named as its PDF would be.
    EXPECT_EQ(fakes.printer.jobTitles, QStringList{QStringLiteral("みどり塾_クラス一覧_小学生全体_2026-12-10")});
    EXPECT_EQ(fakes.printer.jobSheets, std::vector<int>{1});
    // Cancelled in the print dialog: nothing drawn, nothing said.
    fakes.printer.teacherPrints = false;
    o.OverviewPrint->click();
    EXPECT_EQ(fakes.printer.drawings.size(), 1u);
    EXPECT_EQ(fakes.printer.jobsEnded, 1);
    EXPECT_TRUE(fakes.messages.shown.isEmpty());
    fakes.printer.teacherPrints = true;
    o.OverviewPdf->click();
    const QString name = QStringLiteral("みどり塾_クラス一覧_小学生全体_2026-12-10.pdf");
    ASSERT_EQ(savedFiles(), QStringList{name});
    const QString text = test::squeezed(test::pdfText(fakes.folders.folder + name));
    EXPECT_TRUE(text.contains(QStringLiteral("小５青木")));
    for (const QString& piece : {QStringLiteral("クリア"), QStringLiteral("3回44点"), QStringLiteral("最高20秒")})
        EXPECT_TRUE(text.contains(piece)) << piece.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("上田")));

    o.OverviewBack->click();
    EXPECT_FALSE(o.isVisible());
}

// The overview saved as CSV and as .xlsx: in the folder chosen, asking before
// a file is replaced, the folder kept in this PC's settings for the next start
// (a folder that is gone no longer offered).
TEST_F(ProgressWindow, ClassOverviewSavedAsCsvAndXlsxRemembersTheFolder)
{
    seisekitime1& d = open(4, QStringLiteral("上野先生"));
    d.Combo1->setCurrentIndex(d.Combo1->findText(QStringLiteral("全学年")));
    d.Combo1_Click();
    d.Command26->click();
    ClassOverviewPanel& o = *d.OverviewPanel;
    ASSERT_TRUE(o.isVisible());
    const QString folder = fakes.folders.folder;
    const QString key = QStringLiteral("SaveFolders/ClassOverview");

    o.OverviewXlsx->click();
    const QString xlsx = QStringLiteral("みどり塾_クラス一覧_全学年_2026-12-10.xlsx");
    ASSERT_EQ(savedFiles(), QStringList{xlsx});
    QFile saved(folder + xlsx);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    saved.close();
    EXPECT_TRUE(bytes.startsWith("PK\x03\x04"));
    EXPECT_EQ(bytes, xlsxBytes(overviewSheet(state(), o.model->overview(), o.pageTitle())));
    ASSERT_EQ(fakes.messages.shown.size(), 1);
    EXPECT_TRUE(fakes.messages.shown[0].second.contains(xlsx));
    EXPECT_EQ(fakes.settings.text(key), folder);

    // Again: the file is there, the teacher answers No, the file is kept as it was.
    fakes.messages.shown.clear();
    fakes.messages.answer = false;
    o.OverviewXlsx->click();
    ASSERT_EQ(fakes.messages.shown.size(), 1);
    EXPECT_TRUE(fakes.messages.shown[0].second.contains(QStringLiteral("上書きしますか")));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), bytes);
    saved.close();
    ASSERT_EQ(fakes.folders.startedIn.size(), 2);
    EXPECT_EQ(fakes.folders.startedIn[1], folder);

    // The CSV beside it, in the same folder.
    fakes.messages.answer = true;
    o.OverviewCsv->click();
    EXPECT_EQ(savedFiles(), (QStringList{QStringLiteral("みどり塾_クラス一覧_全学年_2026-12-10.csv"), xlsx}));

    // The next start offers the folder kept in the settings, the home folder once it is gone.
    screens::closeAll();
    fakes.folders.startedIn.clear();
    const QString other = dir.mkdir(QStringLiteral("別の保存先"));
    fakes.settings.setText(key, other);
    seisekitime1& again = open(4, QStringLiteral("上野先生"));
    again.Command26->click();
    fakes.folders.folder.clear();  // cancelled
    again.OverviewPanel->OverviewXlsx->click();
    QDir(other).removeRecursively();
    again.OverviewPanel->OverviewCsv->click();
    EXPECT_EQ(fakes.folders.startedIn, (QStringList{other, QDir::homePath()}));
    EXPECT_EQ(fakes.settings.text(key), other) << "a cancelled choice changes nothing";
}

TEST_F(ProgressWindow, ClassOverviewIsNotOfferedToPupils)
{
    seisekitime1& d = open(1, QStringLiteral("青木"));
    EXPECT_FALSE(d.Command26->isVisible());
    d.Command26_Click();
    EXPECT_FALSE(d.OverviewPanel->isVisible());
}
