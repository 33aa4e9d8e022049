// The teachers' choices on the per-pupil panel: the pupils and levels chosen
// survive "グラフ", every chosen pupil's charts can be seen, the group the
// sheet compares with is named and chosen (never the dashboard's grade
// filter), and a period limits the sheets and the charts.
#include "Fakes.h"
#include "PdfText.h"
#include "Runs.h"
#include "TempDir.h"
#include "TeacherSchool.h"
#include "dashboard/Dashboard.h"
#include "dashboard/PeriodBar.h"
#include "platform/Calendar.h"
#include "roster/Roster.h"

#include <QComboBox>
#include <QDir>
#include <QDateEdit>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTableWidget>
#include <gtest/gtest.h>

using namespace karuvel;

namespace {

class TeacherViews : public ::testing::Test {
protected:
    test::FakePlatform fakes;
    test::TempDir dir;
    ProgramState& s = state();
    double today = 0;

    void SetUp() override
    {
        test::makeTeacherSchool(dir);
        today = toOleDate(fakes.clock.now().date());
        // 青木 (小５) runs level 1 three times; 上田 (中２) levels 1 and 3, one
        // of them long ago; 小川 (小３) level 1 twice; the teacher once, fast.
        dir.writeBytes(QStringLiteral("成績累積データ.dat"),
                       test::runsBytes({{today - 2, 1, 1, 30},
                                        {today - 1, 1, 1, 26},
                                        {today, 1, 1, 20},
                                        {today - 400, 2, 1, 90},
                                        {today - 1, 2, 3, 44},
                                        {today - 3, 3, 1, 80},
                                        {today, 3, 1, 70},
                                        {today, 4, 1, 5}}));
        ASSERT_EQ(LoadRoster(), RosterLoad::Ok);
    }
    void TearDown() override { screens::closeAll(); }

    seisekitime1& openAsTeacher()
    {
        test::signInAs(fakes.clock, 4, QStringLiteral("上野先生"));
        auto* d = test::openDashboard();
        EXPECT_NE(d, nullptr);
        d->Option2[2]->click();
        return *d;
    }
    static int rowOf(QListWidget* list, const QString& part)
    {
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->text().contains(part)) return i;
        return -1;
    }
};

} // namespace

TEST_F(TeacherViews, GraphKeepsTheChosenPupilsAndLevelsAndShowsEachPupilsCharts)
{
    seisekitime1& d = openAsTeacher();
    d.Command25->click();
    for (const char* name : {"青木", "上田", "小川"}) {
        const int row = rowOf(d.List2, QString::fromUtf8(name));
        ASSERT_GE(row, 0) << name;
        d.List2->item(row)->setSelected(true);
    }
    d.List3->clearSelection();
    for (int row : {0, 1, 2}) d.List3->item(row)->setSelected(true);
    d.Command17->click();

    EXPECT_EQ(d.List2->selectedItems().size(), 3);
    EXPECT_EQ(d.List3->selectedItems().size(), 3);
    ASSERT_TRUE(d.Picture12->isVisible());
    ASSERT_EQ(d.Picture12->pageCount(), 3);
    EXPECT_TRUE(d.Picture12->NextPupil->isVisible());
    EXPECT_EQ(d.Picture12->charts().levels.size(), 3u);
    EXPECT_TRUE(d.Picture12->charts().title.contains(QStringLiteral("青木")));
    d.Picture12->NextPupil->click();
    EXPECT_TRUE(d.Picture12->charts().title.contains(QStringLiteral("上田")));
    EXPECT_EQ(d.Picture12->PupilPage->text(), QStringLiteral("2/3人目"));
    // 上田's level 3 run is on the chart of level 3.
    EXPECT_EQ(d.Picture12->charts().levels[2].runs.size(), 1u);
    // The sheet shows all three pupils.
    const QString sheet = d.SheetText->toPlainText();
    for (const char* name : {"青木", "上田", "小川"}) EXPECT_TRUE(sheet.contains(QString::fromUtf8(name))) << name;
}

TEST_F(TeacherViews, TheSheetNamesTheGroupItComparesWithWhateverTheGradeFilter)
{
    seisekitime1& d = openAsTeacher();
    // The lists show 小３ alone; the sheets still compare with the whole school.
    d.Combo1->setCurrentIndex(d.Combo1->findText(QStringLiteral("小３")));
    d.Combo1->activated(d.Combo1->currentIndex());
    d.Command25->click();
    d.List2->item(rowOf(d.List2, QStringLiteral("上田")))->setSelected(true);
    d.List3->clearSelection();
    d.List3->item(0)->setSelected(true);
    d.Command24[0]->click();
    QString sheet = d.SheetText->toPlainText();
    EXPECT_TRUE(sheet.contains(QStringLiteral("くらべる相手：塾全体"))) << sheet.toStdString();
    EXPECT_TRUE(sheet.contains(QStringLiteral("本人 / 塾全体")));
    EXPECT_TRUE(sheet.contains(QStringLiteral("(塾平均)")));
    // The school's best of level 1 is 青木's 20 s, not the 小３'s 70 s, and
    // never the teacher's 5 s.
    EXPECT_TRUE(sheet.contains(QStringLiteral("　　最高　　　　     90秒 /     20秒"))) << sheet.toStdString();

    // Compared with the pupil's own grade (中２: 上田 alone).
    d.Picture11->CompareWith->setCurrentIndex(1);
    sheet = d.SheetText->toPlainText();
    EXPECT_TRUE(sheet.contains(QStringLiteral("くらべる相手：中２")));
    EXPECT_TRUE(sheet.contains(QStringLiteral("本人 / 中２")));
    EXPECT_TRUE(sheet.contains(QStringLiteral("(中２平均)")));
    EXPECT_TRUE(sheet.contains(QStringLiteral("　　最高　　　　     90秒 /     90秒"))) << sheet.toStdString();
}

TEST_F(TeacherViews, APeriodLimitsTheSheetAndTheCharts)
{
    seisekitime1& d = openAsTeacher();
    d.Command25->click();
    d.List2->item(rowOf(d.List2, QStringLiteral("上田")))->setSelected(true);
    d.List3->clearSelection();
    d.List3->item(0)->setSelected(true);
    d.Command17->click();
    ASSERT_EQ(d.Picture12->charts().levels[0].runs.size(), 1u);  // the run of 400 days ago
    EXPECT_TRUE(d.SheetText->toPlainText().contains(QStringLiteral("回数　　　　　　　      1回")));

    // This month only: the old run leaves the sheet and the chart.
    d.Picture11->SheetPeriod->setChoice(PeriodChoice::ThisMonth);
    d.Picture11->SheetPeriod->changed();
    const QString sheet = d.SheetText->toPlainText();
    EXPECT_TRUE(sheet.contains(QStringLiteral("回数　　　　　　　      0回"))) << sheet.toStdString();
    EXPECT_TRUE(sheet.contains(QStringLiteral("期間：2026/12/01～2026/12/31")));
    EXPECT_TRUE(d.Picture12->charts().levels[0].runs.empty());
    EXPECT_GE(d.Picture12->charts().fromWhen, toOleDate(QDate(2026, 12, 1)) - 1);
    // The points bars span the month's weeks: from the week of 12/1 to this week.
    ASSERT_FALSE(d.Picture12->charts().weeks.empty());
    EXPECT_FALSE(d.Picture12->charts().monthly);
    EXPECT_EQ(d.Picture12->charts().weeks.front().monday, QDate(2026, 11, 30));
    EXPECT_EQ(d.Picture12->charts().weeks.back().monday, QDate(2026, 12, 7));

    // A range of the teacher's own, across the turn of the year.
    d.Picture11->SheetPeriod->setChoice(PeriodChoice::Range);
    d.Picture11->SheetPeriod->From->setDate(fromOleDate(today - 500));
    d.Picture11->SheetPeriod->To->setDate(fromOleDate(today));
    EXPECT_EQ(d.Picture12->charts().levels[0].runs.size(), 1u);
    EXPECT_TRUE(d.SheetText->toPlainText().contains(QStringLiteral("回数　　　　　　　      1回")));
    // 500 days are too many weeks for bars of their own: a bar a month over the
    // whole range, the old run's points in its month.
    const PupilCharts& charts = d.Picture12->charts();
    ASSERT_TRUE(charts.monthly);
    const QDate from = fromOleDate(today - 500);
    ASSERT_EQ(charts.weeks.size(), size_t((2026 - from.year()) * 12 + 12 - from.month() + 1));
    EXPECT_EQ(charts.weeks.front().monday, QDate(from.year(), from.month(), 1));
    EXPECT_EQ(charts.weeks.back().monday, QDate(2026, 12, 1));
    const QDate oldRun = fromOleDate(today - 400);
    long long points = 0;
    for (const WeekPoints& w : charts.weeks) {
        if (w.points == 0) continue;
        EXPECT_EQ(w.monday, QDate(oldRun.year(), oldRun.month(), 1));
        points += w.points;
    }
    EXPECT_GT(points, 0);
}

TEST_F(TeacherViews, StuckListAndOverviewOpenAPupilsSheetAndCharts)
{
    seisekitime1& d = openAsTeacher();
    d.Option2[1]->click();
    ASSERT_TRUE(d.Command27->isVisible());
    d.Combo1->setCurrentIndex(d.Combo1->findText(QStringLiteral("全学年")));
    d.Combo1_Click();
    d.Command27->click();
    StuckPanel& stuck = *d.StuckList;
    ASSERT_TRUE(stuck.isVisible());
    // Three pupils, the teacher left out; 小川 tried level 1 without clearing.
    ASSERT_EQ(stuck.rows().size(), 3u);
    EXPECT_EQ(stuck.StuckTitle->text(), QStringLiteral("つまずき一覧　全学年　（3人）"));
    int ogawa = -1;
    for (size_t r = 0; r < stuck.rows().size(); ++r)
        if (stuck.rows()[r].pupil == 3) ogawa = int(r);
    ASSERT_GE(ogawa, 0);
    EXPECT_EQ(stuck.StuckTable->item(ogawa, 2)->text(), QStringLiteral("レベル1"));
    stuck.StuckPrint->click();
    EXPECT_EQ(fakes.printer.jobsEnded, 1);

    // A double-click on a row: that pupil's sheet and charts.
    stuck.StuckTable->cellDoubleClicked(ogawa, 0);
    EXPECT_FALSE(stuck.isVisible());
    EXPECT_TRUE(d.Picture11->isVisible());
    EXPECT_TRUE(d.Picture12->isVisible());
    EXPECT_EQ(d.Picture11->selectedPupils(), std::vector<int>{3});
    EXPECT_TRUE(d.Picture12->charts().title.contains(QStringLiteral("小川")));

    // The overview: the teacher is no row, the note names the period, and a
    // double-click opens the pupil as the stuck list does.
    d.Command26->click();
    ClassOverviewPanel& o = *d.OverviewPanel;
    ASSERT_TRUE(o.isVisible());
    EXPECT_EQ(o.model->rowCount(), 3);
    EXPECT_TRUE(o.OverviewNote->text().contains(QStringLiteral("2026/09/01～2026/12/31")));
    EXPECT_EQ(o.model->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString().split(QLatin1Char('\n')).size(), 2);
    const QModelIndex aoki = o.model->index(0, 0);
    ASSERT_EQ(o.model->data(aoki, Qt::UserRole).toInt(), 1);
    o.OverviewTable->doubleClicked(aoki);
    EXPECT_FALSE(o.isVisible());
    EXPECT_EQ(d.Picture11->selectedPupils(), std::vector<int>{1});
}

TEST_F(TeacherViews, ParentsReportsOfAWholeClassInOneJobAndOnePdf)
{
    fakes.folders.folder = dir.mkdir(QStringLiteral("保護者用"));
    seisekitime1& d = openAsTeacher();
    d.Combo1->setCurrentIndex(d.Combo1->findText(QStringLiteral("全学年")));
    d.Combo1_Click();
    d.List3->clearSelection();
    for (int row : {0, 1, 2}) d.List3->item(row)->setSelected(true);
    ASSERT_TRUE(d.Picture11->ParentPrint->isVisible());

    // No pupil chosen: the whole class, after a question; one job, a page each.
    d.Picture11->ParentPrint->click();
    ASSERT_EQ(fakes.messages.shown.size(), 1);
    EXPECT_TRUE(fakes.messages.shown[0].second.contains(QStringLiteral("全学年の 3人分を印刷します")));
    EXPECT_EQ(fakes.printer.jobsEnded, 1);
    EXPECT_EQ(fakes.printer.drawings.size(), 3u);
    EXPECT_EQ(fakes.printer.newPages, 2);

    d.Picture11->ParentPdf->click();
    const QStringList files = QDir(fakes.folders.folder).entryList(QDir::Files);
    ASSERT_EQ(files.size(), 1);
    const QString path = fakes.folders.folder + files[0];
    EXPECT_EQ(test::pdfPages(path), 3);
    const QString page2 = test::squeezed(test::pdfText(path, 2));
    for (const QString& piece : {QStringLiteral("みどり塾"), QStringLiteral("中２上田さん"), QStringLiteral("2026/12/10"),
                                 QStringLiteral("期間：全期間"), QStringLiteral("くらべる相手：塾全体"),
                                 QStringLiteral("3山脈"), QStringLiteral("塾平均")})
        EXPECT_TRUE(page2.contains(piece)) << piece.toStdString() << "\n" << page2.toStdString();

    // Every level chosen: the charts that do not fit at 9 points go on the
    // pupil's next pages, never smaller.
    for (int row = 0; row < d.List3->count(); ++row) d.List3->item(row)->setSelected(true);
    d.Command25->click();
    d.List2->item(rowOf(d.List2, QStringLiteral("青木")))->setSelected(true);
    QDir(fakes.folders.folder).removeRecursively();
    QDir().mkpath(fakes.folders.folder);
    d.Picture11->ParentPdf->click();
    const QStringList again = QDir(fakes.folders.folder).entryList(QDir::Files);
    ASSERT_EQ(again.size(), 1);
    EXPECT_GT(test::pdfPages(fakes.folders.folder + again[0]), 1);
    EXPECT_TRUE(test::squeezed(test::pdfText(fakes.folders.folder + again[0], 2)).contains(QStringLiteral("（つづき）")));
}
