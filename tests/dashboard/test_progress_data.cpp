// The figures behind the progress charts, from a small set of one pupil's runs.
#include "Fakes.h"
#include "Runs.h"
#include "dashboard/ProgressChart.h"
#include "dashboard/ProgressData.h"
#include "platform/Calendar.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace karuvel;

namespace {

// Pupil 3's runs of level 1 (target 60 s, points multiplier 2) over three
// weeks of December 2026, written to the file out of order as a records
// manager's edit may leave them; pupil 4 and level 2 runs in between.
// Thursday 10 December is today; its week starts on Monday the 7th.
class Progress : public ::testing::Test {
protected:
    test::FakePlatform fakes;
    ProgramState& s = state();
    std::vector<ResultRecordData> records;

    static double day(int d) { return toOleDate(QDate(2026, 12, d)); }

    void SetUp() override
    {
        s.LevelCount = 2;
        s.LevelNames[1] = QStringLiteral("川１");
        s.LevelNames[2] = QStringLiteral("川２");
        test::setLevelCriteria(2, {.target = 60, .multiplier = 2.0f});
        s.TargetTime[2] = 100;
        const struct {
            int day;
            double clock;
            int pupil, level, time;
        } runs[] = {
            {1, 0.40, 3, 1, 80},     // Tue 1st: the first best
            {2, 0.40, 3, 1, 99999},  // time over: marked apart, no step
            {4, 0.60, 3, 1, 75},     // later on the 4th than the next line
            {4, 0.30, 3, 1, 70},     // a new best, made before the 75
            {4, 0.50, 4, 1, 20},     // another pupil
            {8, 0.40, 3, 1, 70},     // equals the best: no step
            {8, 0.45, 3, 1, 2500},   // too slow for the sheet's times: marked apart
            {9, 0.40, 3, 2, 90},     // level 2
            {10, 0.40, 3, 1, 50},    // today: the best so far
            {10, 0.41, 3, 1, 12},
        };
        for (const auto& r : runs) records.push_back(test::runRecord(day(r.day), r.clock, r.pupil, r.level, r.time));
        records.push_back(test::runRecord(-5, 0.5, 3, 1, 10));   // a damaged date
        records.push_back(test::runRecord(day(10), 7.0, 3, 1, 30));  // a damaged time of day: at midnight
    }
};

} // namespace

TEST_F(Progress, RunsInDateOrderWithTimesAndMarks)
{
    const LevelProgress p = levelProgress(records, s, 3, 1, day(1) - 1, 55);
    EXPECT_EQ(p.level, 1);
    EXPECT_EQ(p.name, QStringLiteral("川１"));
    EXPECT_EQ(p.target, 60);
    EXPECT_EQ(p.schoolAverage, 55);
    std::vector<std::pair<int, bool>> seen;
    for (const ChartRun& r : p.runs) seen.emplace_back(r.time, r.noTime);
    const std::vector<std::pair<int, bool>> expected = {{80, false}, {99999, true}, {70, false}, {75, false},
                                                        {70, false}, {2500, true},  {30, false}, {50, false},
                                                        {12, false}};
    EXPECT_EQ(seen, expected);
    EXPECT_DOUBLE_EQ(p.runs[2].when, day(4) + 0.30);
    EXPECT_DOUBLE_EQ(p.runs[6].when, day(10));  // the damaged time of day counts as midnight

    // Runs before `since` are left out; a level without a target has none.
    const LevelProgress recent = levelProgress(records, s, 3, 1, day(8) + 0.42, -1);
    ASSERT_EQ(recent.runs.size(), 4u);
    EXPECT_EQ(recent.runs.front().time, 2500);
    EXPECT_EQ(recent.schoolAverage, -1);
    s.TargetTime[1] = 0;
    EXPECT_EQ(levelProgress(records, s, 3, 1, 0, -1).target, -1);
}

TEST_F(Progress, BestTimeStepsOnlyAtANewBest)
{
    const LevelProgress p = levelProgress(records, s, 3, 1, 0, -1);
    std::vector<std::pair<double, int>> steps;
    for (const BestStep& b : p.bestSteps) steps.emplace_back(b.when, b.best);
    const std::vector<std::pair<double, int>> expected = {
        {day(1) + 0.40, 80}, {day(4) + 0.30, 70}, {day(10), 30}, {day(10) + 0.41, 12}};
    EXPECT_EQ(steps, expected);

    // A pupil with only time-over runs has runs but no steps; one with none has neither.
    records = {test::runRecord(day(3), 0.5, 5, 1, 99999)};
    const LevelProgress over = levelProgress(records, s, 5, 1, 0, -1);
    EXPECT_EQ(over.runs.size(), 1u);
    EXPECT_TRUE(over.bestSteps.empty());
    EXPECT_TRUE(levelProgress(records, s, 6, 1, 0, -1).runs.empty());
}

TEST_F(Progress, PointsPerWeekAddUpTheRecountsPoints)
{
    // Level 1 at target 60 with multiplier 2: 80, 75, 70 earn 4 x 2; 50 earns
    // 5 x 2; 30 earns 11 x 2 and 12 earns 30 x 2; time over and 2500 s (ten
    // times the target and more) earn nothing. Level 2 (target 100,
    // multiplier 2): 90 earns 5 x 2.
    const auto weeks = weeklyPoints(records, s, 3, {1, 2}, QDate(2026, 11, 25), QDate(2026, 12, 10));
    ASSERT_EQ(weeks.size(), 3u);
    EXPECT_EQ(weeks[0].monday, QDate(2026, 11, 23));
    EXPECT_EQ(weeks[0].points, 0);                 // a week without runs is kept
    EXPECT_EQ(weeks[1].monday, QDate(2026, 11, 30));
    EXPECT_EQ(weeks[1].points, 8 + 0 + 8 + 8);     // 1st, 2nd, 4th (x2)
    EXPECT_EQ(weeks[2].monday, QDate(2026, 12, 7));
    EXPECT_EQ(weeks[2].points, 8 + 0 + 10 + 10 + 22 + 60);

    // Only the levels asked for; nothing outside the weeks asked for.
    const auto level2 = weeklyPoints(records, s, 3, {2}, QDate(2026, 12, 7), QDate(2026, 12, 13));
    ASSERT_EQ(level2.size(), 1u);
    EXPECT_EQ(level2[0].points, 10);
    EXPECT_TRUE(weeklyPoints(records, s, 3, {1}, QDate(2026, 12, 10), QDate(2026, 12, 1)).empty());
}

TEST_F(Progress, WeeksShownStartAtTheFirstRunButNotTooFarBack)
{
    const QDate today(2026, 12, 10);
    EXPECT_EQ(firstChartWeek(records, 3, {1}, today, 26), QDate(2026, 11, 30));
    EXPECT_EQ(firstChartWeek(records, 3, {1}, today, 1), QDate(2026, 12, 7));
    EXPECT_EQ(firstChartWeek(records, 9, {1}, today, 26), QDate(2026, 12, 7));  // no runs: this week
    EXPECT_EQ(weekStart(QDate(2026, 12, 13)), QDate(2026, 12, 7));             // a Sunday
    EXPECT_EQ(weekStart(QDate(2026, 12, 7)), QDate(2026, 12, 7));
}

TEST_F(Progress, ChartsPaintAtEverySizeWithoutFailing)
{
    // The charts are drawn into the panel's size, a page, and sizes too small
    // for a plot (which leave the plot out rather than draw outside).
    PupilCharts charts;
    charts.title = QStringLiteral("小川");
    charts.levels = {levelProgress(records, s, 3, 1, 0, 55), levelProgress(records, s, 3, 2, 0, -1),
                     levelProgress({}, s, 3, 1, 0, -1)};
    charts.weeks = weeklyPoints(records, s, 3, {1, 2}, QDate(2026, 11, 1), QDate(2026, 12, 10));
    setChartTimeAxis(&charts, day(10) + 0.5);
    EXPECT_LT(charts.fromWhen, day(1) + 0.40);
    EXPECT_GT(charts.toWhen, day(10) + 0.5);
    for (const QSize size : {QSize(396, 590), QSize(794, 1123), QSize(40, 30), QSize(1, 1)}) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter p(&image);
        paintPupilCharts(p, QRectF(QPointF(0, 0), QSizeF(size)), charts);
        p.end();
        if (size.width() >= 396) {
            // Something of each colour family was drawn: not an empty page.
            int coloured = 0;
            for (int y = 0; y < size.height(); y += 2)
                for (int x = 0; x < size.width(); x += 2) coloured += QColor(image.pixel(x, y)).saturation() > 80;
            EXPECT_GT(coloured, 100) << size.width();
        }
    }
}
