// The class overview: the cells of a small class, the grade filter and the sorting.
#include "Fakes.h"
#include "Runs.h"
#include "dashboard/ClassOverview.h"

#include <QImage>
#include <QPainter>
#include <QTableView>
#include <gtest/gtest.h>

using namespace karuvel;

namespace {

// School year 2026, levels 1 "川１", 2 "川練習" (practice) and 3 "山脈１", each
// cleared by 3 runs and 30 points within the recent period. In roster order:
// 1 青木 (小５) has cleared level 1; 2 上田 (小５) has run it without clearing
// (enough points, too few runs); 3 小川 (小５) has never run; 4 江藤 (中２) is
// of another grade; 5 大野 (小５) is on the roster but not listed.
class Overview : public ::testing::Test {
protected:
    test::FakePlatform fakes;
    ProgramState& s = state();

    void SetUp() override
    {
        s.LevelCount = 3;
        s.LevelNames[1] = QStringLiteral("川１");
        s.LevelNames[2] = QStringLiteral("川練習");
        s.LevelNames[3] = QStringLiteral("山脈１");
        test::setLevelCriteria(3, {});
        s.BestTime.fill(kNoTime);
        const char* names[] = {"", "青木", "上田", "小川", "江藤", "大野"};
        const char* grades[] = {"", "小５", "小５", "小５", "中２", "小５"};
        const int births[] = {0, 2015, 2015, 2015, 2012, 2015};
        for (int p = 1; p <= 5; ++p) {
            s.PupilNames[size_t(p)] = QString::fromUtf8(names[p]).leftJustified(20, QLatin1Char(' '));
            s.PupilGrades[size_t(p)] = QString::fromUtf8(grades[p]);
            s.PupilBirthYears[size_t(p)] = births[p];
        }
        s.SchoolYear = Loose(2026);
        for (int n = 1; n <= 4; ++n) s.RosterOrder[size_t(n)] = n;
        s.RosterCount = Loose(4);
        s.CurrentPupil = 1;
        stats(1, 1, 5, 3, 40, 45);  // cleared
        stats(2, 1, 4, 2, 36, 50);  // 36 points but 2 runs: not cleared
        stats(2, 3, 2, 0, 0, 80);   // ran long ago, nothing recent
        stats(4, 1, 9, 9, 90, 30);
        stats(5, 1, 9, 9, 90, 30);
    }

    void stats(int pupil, int level, int total, int recent, long long recentPoints, int best)
    {
        s.TotalCount(level, pupil) = total;
        s.RecentCount(level, pupil) = recent;
        s.RecentPoints(level, pupil) = recentPoints;
        s.BestTime(level, pupil) = best;
    }

    static QStringList names(const ClassOverview& o)
    {
        QStringList out;
        for (const OverviewRow& r : o.rows) out << r.name;
        return out;
    }
};

} // namespace

TEST_F(Overview, CellsOfAFixtureClass)
{
    const ClassOverview o = classOverview(s, QStringLiteral("小５"));
    EXPECT_EQ(o.levels, (std::vector<int>{1, 3}));  // the practice level has no column
    EXPECT_EQ(names(o), (QStringList{QStringLiteral("青木"), QStringLiteral("上田"), QStringLiteral("小川")}));
    const struct {
        const char* what;
        int row;
        size_t cell;
        QStringList lines;
    } cases[] = {
        {"cleared: runs and points within the period reach both criteria", 0, 0,
         {QStringLiteral("クリア"), QStringLiteral("3回 40点"), QStringLiteral("最高 45秒")}},
        {"enough points with too few runs is not cleared", 1, 0,
         {QStringLiteral("2回 36点"), QStringLiteral("最高 50秒")}},
        {"runs long ago show nothing recent but keep the best time", 1, 1,
         {QStringLiteral("0回 0点"), QStringLiteral("最高 80秒")}},
        {"a level never run", 2, 0, {QStringLiteral("−")}},
        {"the other level never run", 0, 1, {QStringLiteral("−")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(overviewCellLines(o.rows[size_t(c.row)].cells[c.cell]), c.lines);
    }
    EXPECT_TRUE(o.rows[0].cells[0].cleared);
    EXPECT_FALSE(o.rows[1].cells[0].cleared);

    // "全学年" lists 江藤 too; the unlisted 大野 never appears.
    EXPECT_EQ(names(classOverview(s, QStringLiteral("全学年"))).size(), 4);
    EXPECT_FALSE(names(classOverview(s, QStringLiteral("全学年"))).contains(QStringLiteral("大野")));
}

TEST_F(Overview, SortingByALevelPutsThoseFurthestBehindFirst)
{
    stats(3, 1, 1, 1, 36, 99);  // 小川 now has one run: more points than 上田's 36? equal points, slower
    ClassOverview o = classOverview(s, QStringLiteral("小５"));
    sortOverview(&o, 1, true);
    // Not cleared first; 上田 and 小川 both 36 points, 小川's best is slower.
    EXPECT_EQ(names(o), (QStringList{QStringLiteral("小川"), QStringLiteral("上田"), QStringLiteral("青木")}));
    sortOverview(&o, 1, false);
    EXPECT_EQ(names(o), (QStringList{QStringLiteral("青木"), QStringLiteral("上田"), QStringLiteral("小川")}));
    // Level 3: only 上田 ever ran it; the two who never did keep roster order.
    sortOverview(&o, 2, false);
    EXPECT_EQ(names(o), (QStringList{QStringLiteral("上田"), QStringLiteral("青木"), QStringLiteral("小川")}));
    sortOverview(&o, 0, true);
    EXPECT_EQ(names(o), (QStringList{QStringLiteral("青木"), QStringLiteral("上田"), QStringLiteral("小川")}));
}

TEST_F(Overview, TableViewSortsThroughTheModelAndPrintsEveryRow)
{
    ClassOverviewModel model;
    model.setOverview(s, classOverview(s, QStringLiteral("小５")));
    QTableView view;
    view.setModel(&model);
    view.setSortingEnabled(true);
    EXPECT_EQ(model.columnCount(), 3);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("1 川１"));
    EXPECT_EQ(model.headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("3 山脈１"));
    view.sortByColumn(1, Qt::AscendingOrder);
    EXPECT_EQ(model.data(model.index(0, 0), Qt::UserRole).toInt(), 3);  // 小川, never ran
    EXPECT_EQ(model.data(model.index(2, 1), Qt::DisplayRole).toString(),
              QStringLiteral("クリア\n3回 40点\n最高 45秒"));

    // A page holds the rows it says it holds; a long class takes several pages.
    const QRectF page(0, 0, 794 - 80, 1123 - 80);
    const int perPage = overviewRowsPerPage(page);
    EXPECT_GE(perPage, 15);
    QImage image(794, 1123, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    paintOverviewPage(p, page, s, model.overview(), QStringLiteral("クラス一覧"), 0, perPage);
    p.end();
    // The cleared cell is drawn in its colour.
    bool clearedShown = false;
    for (int y = 0; y < image.height() && !clearedShown; ++y)
        for (int x = 0; x < image.width() && !clearedShown; ++x) clearedShown = image.pixel(x, y) == qRgb(200, 240, 200);
    EXPECT_TRUE(clearedShown);
}
