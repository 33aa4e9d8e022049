// The class overview: the cells of a small class, the grade filter and the sorting.
#include "Fakes.h"
#include "Runs.h"
#include "dashboard/ClassOverview.h"
#include "dashboard/PdfPages.h"
#include "dashboard/StuckList.h"
#include "platform/Calendar.h"

#include <cmath>

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QTableView>
#include <gtest/gtest.h>

using namespace karuvel;

namespace {

// School year 2026 (today 2026-12-10: this term is 2026/09/01～12/31),
// levels 1 "川１", 2 "川練習" (practice) and 3 "山脈１", each cleared by 3
// runs and 30 points within 7 days (a 20-s run earns 19 points). In roster
// order: 1 青木 (小５) clears level 1 this week; 2 上田 (小５) cleared it in
// May and has two runs this week (not enough), and ran level 3 in May; 3
// 小川 (小５) has never run; 4 江藤 (中２) is of another grade; 6 上野先生,
// a teacher, is listed but is no pupil; 5 大野 (小５) is not listed.
class Overview : public ::testing::Test {
protected:
    test::FakePlatform fakes;
    ProgramState& s = state();
    std::vector<RecEntry> runs;
    double today = 0;

    void SetUp() override
    {
        s.LevelCount = 3;
        s.LevelNames[1] = QStringLiteral("川１");
        s.LevelNames[2] = QStringLiteral("川練習");
        s.LevelNames[3] = QStringLiteral("山脈１");
        test::setLevelCriteria(3, {});
        const char* names[] = {"", "青木", "上田", "小川", "江藤", "大野", "上野先生"};
        const char* grades[] = {"", "小５", "小５", "小５", "中２", "小５", ""};
        const int births[] = {0, 2015, 2015, 2015, 2012, 2015, 1980};
        for (int p = 1; p <= 6; ++p) {
            s.PupilNames[size_t(p)] = QString::fromUtf8(names[p]).leftJustified(20, QLatin1Char(' '));
            s.PupilGrades[size_t(p)] = QString::fromUtf8(grades[p]);
            s.PupilBirthYears[size_t(p)] = births[p];
        }
        s.SchoolYear = Loose(2026);
        const int order[] = {0, 1, 2, 3, 4, 6};
        for (int n = 1; n <= 5; ++n) s.RosterOrder[size_t(n)] = order[n];
        s.RosterCount = Loose(5);
        s.CurrentPupil = 1;
        today = std::floor(toOleDate(fakes.clock.now().date()));
        runs = {
            {today - 2, 0.5, 1, 1, 20}, {today - 1, 0.5, 1, 1, 20}, {today, 0.5, 1, 1, 20},           // 青木
            {today - 200, 0.5, 2, 1, 20}, {today - 199, 0.5, 2, 1, 20}, {today - 198, 0.5, 2, 1, 20}, // 上田 in May
            {today - 200, 0.5, 2, 3, 80}, {today - 199, 0.5, 2, 3, 90},
            {today - 1, 0.5, 2, 1, 20}, {today, 0.5, 2, 1, 25},                                         // 上田 this week
            {today, 0.5, 4, 1, 20}, {today, 0.5, 5, 1, 20}, {today, 0.5, 6, 1, 10},
        };
    }

    ClassOverview overview(const QString& grade, PeriodChoice period = PeriodChoice::ThisTerm) const
    {
        const QDate day = fakes.clock.now().date();
        return classOverview(s, grade, ClassProgress(s, runs, periodOf(period, day, 4), day));
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
    const ClassOverview o = overview(QStringLiteral("小５"));
    EXPECT_EQ(o.levels, (std::vector<int>{1, 3}));  // the practice level has no column
    EXPECT_EQ(names(o), (QStringList{QStringLiteral("青木"), QStringLiteral("上田"), QStringLiteral("小川")}));
    const struct {
        const char* what;
        int row;
        size_t cell;
        QStringList lines;
    } cases[] = {
        {"cleared in the period: runs and points within 7 days reach both criteria", 0, 0,
         {QStringLiteral("クリア"), QStringLiteral("3回 57点"), QStringLiteral("最高 20秒")}},
        {"cleared in May, two runs this week: cleared before the period, counts of the period", 1, 0,
         {QStringLiteral("以前クリア"), QStringLiteral("2回 33点"), QStringLiteral("最高 20秒")}},
        {"runs before the period only: nothing in it, no best in it", 1, 1,
         {QStringLiteral("0回 0点"), QStringLiteral("最高 -")}},
        {"a level never run", 2, 0, {QStringLiteral("−")}},
        {"the other level never run", 0, 1, {QStringLiteral("−")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(overviewCellLines(o.rows[size_t(c.row)].cells[c.cell]), c.lines);
    }

    // Many runs or points: on two lines, so that a narrow column shows them whole.
    OverviewCell many;
    many.ran = many.cleared = true;
    many.runs = 141;
    many.points = 2100;
    many.best = 28;
    EXPECT_EQ(overviewCellLines(many), (QStringList{QStringLiteral("クリア"), QStringLiteral("141回"),
                                                    QStringLiteral("2100点"), QStringLiteral("最高 28秒")}));

    // Over everything, 上田's May clear is within the period.
    const ClassOverview all = overview(QStringLiteral("小５"), PeriodChoice::Everything);
    EXPECT_EQ(overviewCellLines(all.rows[1].cells[0]),
              (QStringList{QStringLiteral("クリア"), QStringLiteral("5回 90点"), QStringLiteral("最高 20秒")}));

    // "全学年" lists 江藤 too; the unlisted 大野 and the teacher never appear.
    const QStringList everyone = names(overview(QStringLiteral("全学年")));
    EXPECT_EQ(everyone.size(), 4);
    EXPECT_FALSE(everyone.contains(QStringLiteral("大野")));
    EXPECT_FALSE(everyone.contains(QStringLiteral("上野先生")));

    // The CSV names the period and every cell.
    const QStringList csv = overviewCsvLines(s, o);
    EXPECT_EQ(csv[0], QStringLiteral("期間,2026/09/01～2026/12/31"));
    EXPECT_TRUE(csv[2].startsWith(QStringLiteral("学年,名前,レベル1 川１ クリア,レベル1 川１ 回数")));
    EXPECT_EQ(csv[4], QStringLiteral("小５,上田,以前クリア,2,33,20,,0,0,"));
}

// The spreadsheet of the overview: two heading rows over the level's four
// columns, numbers as numbers, no best time an empty cell.
TEST_F(Overview, SpreadsheetOfTheOverview)
{
    const XlsxSheet sheet = overviewSheet(s, overview(QStringLiteral("小５")), QStringLiteral("みどり塾　クラス一覧　小５"));
    using K = XlsxCell::Kind;
    auto text = [&](size_t row, size_t column) {
        const auto& r = sheet.rows.at(row);
        return column < r.size() && r[column].kind == K::Text ? r[column].text : QStringLiteral("(not a text)");
    };
    auto number = [&](size_t row, size_t column) {
        const auto& r = sheet.rows.at(row);
        return column < r.size() && r[column].kind == K::Number ? r[column].number : -1.0;
    };
    ASSERT_EQ(sheet.rows.size(), 5u + 3u);
    EXPECT_EQ(text(0, 0), QStringLiteral("みどり塾　クラス一覧　小５"));
    EXPECT_EQ(text(1, 1), QStringLiteral("2026/09/01～2026/12/31"));
    EXPECT_EQ(text(3, 2), QStringLiteral("レベル1 川１"));
    EXPECT_EQ(text(3, 6), QStringLiteral("レベル3 山脈１"));
    EXPECT_EQ(sheet.rows[3][3].kind, K::Empty);
    EXPECT_EQ(text(4, 2), QStringLiteral("クリア"));
    EXPECT_EQ(text(4, 5), QStringLiteral("最高(秒)"));
    // 上田: cleared before the period, 2 runs, 33 points, best 20; level 3 nothing in the period.
    EXPECT_EQ(text(6, 1), QStringLiteral("上田"));
    EXPECT_EQ(text(6, 2), QStringLiteral("以前クリア"));
    EXPECT_EQ(number(6, 3), 2);
    EXPECT_EQ(number(6, 4), 33);
    EXPECT_EQ(number(6, 5), 20);
    EXPECT_EQ(sheet.rows[6][6].kind, K::Empty);
    EXPECT_EQ(number(6, 7), 0);
    EXPECT_EQ(sheet.rows[6][9].kind, K::Empty);
    EXPECT_EQ(sheet.columnWidths.size(), 2u + 2u * 4u);
    EXPECT_EQ(sheet.frozenRows, 5);
    EXPECT_EQ(sheet.frozenColumns, 2);
}

TEST_F(Overview, SortingByALevelPutsThoseFurthestBehindFirst)
{
    runs.push_back({today, 0.5, 3, 1, 99});  // 小川 now has one slow run
    ClassOverview o = overview(QStringLiteral("小５"));
    sortOverview(&o, 1, true);
    // Not cleared first (小川 before 上田, who cleared before the period), then 青木.
    EXPECT_EQ(names(o), (QStringList{QStringLiteral("小川"), QStringLiteral("上田"), QStringLiteral("青木")}));
    sortOverview(&o, 1, false);
    EXPECT_EQ(names(o), (QStringList{QStringLiteral("青木"), QStringLiteral("上田"), QStringLiteral("小川")}));
    sortOverview(&o, 0, true);
    EXPECT_EQ(names(o), (QStringList{QStringLiteral("青木"), QStringLiteral("上田"), QStringLiteral("小川")}));
}

TEST_F(Overview, TableViewSortsThroughTheModelAndPrintsEveryRow)
{
    ClassOverviewModel model;
    model.setOverview(s, overview(QStringLiteral("小５")));
    QTableView view;
    view.setModel(&model);
    view.setSortingEnabled(true);
    EXPECT_EQ(model.columnCount(), 3);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("1\n川１"));
    EXPECT_EQ(model.headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("3\n山脈１"));
    view.sortByColumn(1, Qt::AscendingOrder);
    EXPECT_EQ(model.data(model.index(0, 0), Qt::UserRole).toInt(), 3);  // 小川, never ran
    EXPECT_EQ(model.data(model.index(2, 1), Qt::DisplayRole).toString(),
              QStringLiteral("クリア\n3回 57点\n最高 20秒"));

    // A page holds the rows it says it holds; a long class takes several pages.
    const QRectF page(0, 0, 794 - 80, 1123 - 80);
    const int perPage = overviewRowsPerPage(page);
    EXPECT_GE(perPage, 14);
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

// "Who is stuck" for a fixture class of the same school: one never ran, one
// stalled on a level (five runs no better than before), one with
// time-overs, one who cleared and comes every day.
TEST_F(Overview, StuckListPutsThoseWhoNeedTheTeacherFirst)
{
    runs.clear();
    // 青木: cleared level 1 this week.
    for (int d : {2, 1, 0}) runs.push_back({today - d, 0.5, 1, 1, 20});
    // 上田: level 3 tried for weeks: five runs of 50..54 s in November, then
    // five of 55..67 s this month; last here 5 days ago.
    for (int k = 0; k < 5; ++k) runs.push_back({today - 25 + 2 * k, 0.5, 2, 3, 50 + k});
    for (int k = 0; k < 5; ++k) runs.push_back({today - 9 + k, 0.5, 2, 3, 55 + 3 * k});
    // 江藤 (中２, but "全学年" below): three time-overs at level 1 this month, last run yesterday.
    for (int d : {5, 3, 1}) runs.push_back({today - d, 0.5, 4, 1, kTimeOver});
    // 小川 never ran.
    const QDate day = fakes.clock.now().date();
    const ClassProgress progress(s, runs, periodOf(PeriodChoice::ThisMonth, day, 4), day);
    const std::vector<StuckRow> rows = stuckList(s, QStringLiteral("全学年"), progress, day);
    QStringList order;
    for (const StuckRow& r : rows) order << r.name;
    EXPECT_EQ(order, (QStringList{QStringLiteral("小川"), QStringLiteral("上田"), QStringLiteral("江藤"),
                                  QStringLiteral("青木")}));
    struct Case {
        const char* what;
        size_t row;
        QStringList texts;
    };
    const Case cases[] = {
        {"never ran", 0, {"小５ 小川", "まだ練習していない", "−", "−", "−"}},
        {"stalled and never cleared, five days away", 1, {"小５ 上田", "5日前", "レベル3", "レベル3", "−"}},
        {"time-overs this month", 2, {"中２ 江藤", "1日前", "レベル1", "−", "3回"}},
        {"cleared and here today", 3, {"小５ 青木", "今日", "−", "−", "−"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_LT(c.row, rows.size());
        EXPECT_EQ(stuckRowTexts(rows[c.row]), c.texts);
    }
    // A long list of levels: runs of three or more as ranges.
    StuckRow many = rows[3];
    many.notCleared = {1, 2, 3, 4, 5, 7, 9, 10, 12};
    EXPECT_EQ(stuckRowTexts(many)[2], QStringLiteral("レベル1～5・7・9・10・12"));
}

TEST(ClearRule, FirstDayTheRuleWasMetAndStalledRuns)
{
    // Three 20-s runs (19 points each, target 60) cleared on the third day
    // when they lie within 7 days, never when they are spread wider.
    const std::vector<DayRun> close = {{100, 20}, {103, 20}, {106, 20}};
    const std::vector<DayRun> wide = {{100, 20}, {104, 20}, {108, 20}};
    EXPECT_EQ(firstClearDay(close, 60, 1.0f, 30, 3, 7), 106);
    EXPECT_EQ(firstClearDay(wide, 60, 1.0f, 30, 3, 7), -1);
    EXPECT_EQ(firstClearDay(close, 60, 1.0f, 30, 3, 7, 107), -1);  // not again from day 107 on
    EXPECT_EQ(firstClearDay({{100, kTimeOver}, {100, 20}, {101, 20}}, 60, 1.0f, 30, 3, 7), -1);  // a time-over is no run
    // The last five against the five just before them.
    const struct {
        const char* what;
        std::vector<int> times;
        bool stalled;
    } cases[] = {
        {"nine runs: too few to tell", {50, 51, 52, 53, 54, 55, 56, 57, 58}, false},
        {"no faster: the same best, a slower middle", {50, 52, 51, 53, 50, 50, 55, 54, 56, 53}, true},
        {"a plateau: the same best and middle", {50, 51, 52, 53, 54, 54, 53, 52, 51, 50}, true},
        {"a new best among the last five", {50, 51, 52, 53, 54, 55, 56, 49, 57, 58}, false},
        {"faster in the middle, the best not beaten", {50, 60, 61, 62, 63, 50, 52, 53, 54, 55}, false},
        {"only the last ten count: a lucky 20 s long before",
         {20, 60, 61, 62, 63, 64, 50, 51, 52, 53, 54, 45, 46, 47, 48, 49}, false},
    };
    for (const auto& c : cases) EXPECT_EQ(stalledRuns(c.times), c.stalled) << c.what;
}

// Years of runs: a level counts as stalled only while it is practised within
// the period and its last runs got no faster; a lucky best of long ago or a
// level left a year ago does not fill the column.
TEST_F(Overview, StalledOverAPupilsLongHistory)
{
    runs.clear();
    const QDate day = fakes.clock.now().date();
    // Nobody clears: the points needed are out of reach.
    s.ClearPoints[1] = s.ClearPoints[3] = 100000;
    // 青木, level 1:
    // two years of weekly runs at 70..90 s with a lucky 25 s in the first
    // month, getting faster this autumn (60 s down to 40 s).
    for (int w = 104; w >= 1; --w) runs.push_back({today - 7.0 * w, 0.5, 1, 1, w == 100 ? 25 : 70 + (w * 7) % 21});
    for (int k = 0; k < 10; ++k) runs.push_back({today - 30 + 3 * k, 0.5, 1, 1, 60 - 2 * k});
    // 上田, level 3: stuck around 80 s all last year, not run since.
    for (int k = 0; k < 40; ++k) runs.push_back({today - 400 + 7 * k, 0.5, 2, 3, 80 + k % 3});
    // 小川, level 3: two weeks on it this month, no faster.
    for (int k = 0; k < 12; ++k) runs.push_back({today - 9 + k * 0.75, 0.5, 3, 3, 80 + (k * 5) % 4});

    const ClassProgress month(s, runs, periodOf(PeriodChoice::ThisMonth, day, 4), day);
    EXPECT_FALSE(month.at(1, 1).stalled) << "faster this autumn, though slower than a lucky run of two years ago";
    EXPECT_FALSE(month.at(1, 1).clearedEver);
    EXPECT_FALSE(month.at(2, 3).stalled) << "not practised this month";
    EXPECT_TRUE(month.at(3, 3).stalled);
    // Over every run 上田's level is practised within the period: stalled there.
    const ClassProgress all(s, runs, periodOf(PeriodChoice::Everything, day, 4), day);
    EXPECT_TRUE(all.at(2, 3).stalled);
    EXPECT_FALSE(all.at(1, 1).stalled);
    const std::vector<StuckRow> rows = stuckList(s, QStringLiteral("小５"), month, day);
    ASSERT_EQ(rows.size(), 3u);
    for (const StuckRow& r : rows)
        EXPECT_EQ(r.stalled, r.pupil == 3 ? std::vector<int>{3} : std::vector<int>{}) << r.name.toStdString();
}

// On paper across the page, twelve level columns each hold a cell's widest
// line ("以前クリア", "2100点") at 9 points (12 units): the page across the
// paper is wider in units of the same size, not the upright page's width
// with everything shrunk.
TEST(OverviewPaper, TwelveLevelColumnsHoldTheirLinesAcrossThePage)
{
    const double width = pdfPageWidth(QPageLayout::Landscape);
    const double height = pdfPageHeight(QPageLayout::Landscape);
    EXPECT_NEAR(width / kPrintPageWidth, pdfPageHeight(QPageLayout::Portrait) / kPrintPageWidth, 0.06);
    EXPECT_NEAR(height, kPrintPageWidth, 30);
    const double cellWidth = (width - std::min(width * 0.22, 150.0)) / 12.0;
    QFont font(QStringLiteral("IPAGothic"));
    font.setPixelSize(12);
    const QFontMetricsF fm(font);
    for (const QString& line : {QStringLiteral("以前クリア"), QStringLiteral("12345点"), QStringLiteral("最高 123秒")})
        EXPECT_LE(fm.horizontalAdvance(line), cellWidth - 4) << line.toStdString();
}
