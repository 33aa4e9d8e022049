// The periods of the teachers' views, the runs summed up per day or week
// when they crowd a chart, and the years on a chart's axis.
#include "dashboard/Periods.h"
#include "dashboard/ProgressChart.h"
#include "dashboard/ProgressData.h"
#include "platform/Calendar.h"

#include <gtest/gtest.h>

using namespace karuvel;

TEST(Periods, TermsMonthsRangesAndEverything)
{
    struct Case {
        const char* what;
        PeriodChoice choice;
        QDate today;
        int startMonth;
        QDate from, to;  // the range typed (Range only)
        Period want;
    };
    const Case cases[] = {
        {"first term", PeriodChoice::ThisTerm, {2026, 6, 15}, 4, {}, {}, {{2026, 4, 1}, {2026, 8, 31}}},
        {"second term", PeriodChoice::ThisTerm, {2026, 12, 10}, 4, {}, {}, {{2026, 9, 1}, {2026, 12, 31}}},
        {"third term, in the next calendar year", PeriodChoice::ThisTerm, {2027, 2, 1}, 4, {}, {}, {{2027, 1, 1}, {2027, 3, 31}}},
        {"a school year from January", PeriodChoice::ThisTerm, {2026, 7, 1}, 1, {}, {}, {{2026, 6, 1}, {2026, 9, 30}}},
        {"this month, a leap February", PeriodChoice::ThisMonth, {2028, 2, 10}, 4, {}, {}, {{2028, 2, 1}, {2028, 2, 29}}},
        {"a range", PeriodChoice::Range, {2026, 12, 10}, 4, {2025, 4, 1}, {2026, 3, 31}, {{2025, 4, 1}, {2026, 3, 31}}},
        {"a range typed backwards", PeriodChoice::Range, {2026, 12, 10}, 4, {2026, 3, 31}, {2025, 4, 1}, {{2025, 4, 1}, {2026, 3, 31}}},
        {"everything", PeriodChoice::Everything, {2026, 12, 10}, 4, {}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Period p = periodOf(c.choice, c.today, c.startMonth, c.from, c.to);
        EXPECT_EQ(p.from, c.want.from);
        EXPECT_EQ(p.to, c.want.to);
    }
    const Period term{{2026, 9, 1}, {2026, 12, 31}};
    EXPECT_TRUE(term.contains(toOleDate(QDate(2026, 9, 1))));
    EXPECT_TRUE(term.contains(toOleDate(QDate(2026, 12, 31)) + 0.99));  // the last day, in the evening
    EXPECT_FALSE(term.contains(toOleDate(QDate(2026, 8, 31)) + 0.99));
    EXPECT_FALSE(term.contains(toOleDate(QDate(2027, 1, 1))));
    EXPECT_TRUE(Period{}.contains(0));
    EXPECT_EQ(term.text(), QStringLiteral("2026/09/01～2026/12/31"));
    EXPECT_EQ(Period{}.text(), QStringLiteral("全期間"));
}

TEST(ChartRuns, CrowdedRunsAreSummedPerDayOrWeek)
{
    const double mon = toOleDate(QDate(2026, 12, 7));  // a Monday
    const std::vector<ChartRun> runs = {
        {mon + 0.4, 50, false}, {mon + 0.5, 40, false}, {mon + 0.6, kTimeOver, true},  // Monday
        {mon + 2.5, 45, false},                                                       // Wednesday
        {mon + 7.5, 60, false},                                                       // the next Monday
    };
    struct Case {
        const char* what;
        int days;
        std::vector<ChartRun> want;
    };
    const Case cases[] = {
        {"per day: the day's best and a time-over mark", 1,
         {{mon + 0.5, 40, false}, {mon + 0.5, kTimeOver, true}, {mon + 2.5, 45, false}, {mon + 7.5, 60, false}}},
        {"per week from Monday", 7, {{mon + 3.5, 40, false}, {mon + 3.5, kTimeOver, true}, {mon + 10.5, 60, false}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<ChartRun> got = bucketRuns(runs, c.days);
        ASSERT_EQ(got.size(), c.want.size());
        for (size_t k = 0; k < got.size(); ++k) {
            EXPECT_DOUBLE_EQ(got[k].when, c.want[k].when) << k;
            EXPECT_EQ(got[k].time, c.want[k].time) << k;
            EXPECT_EQ(got[k].noTime, c.want[k].noTime) << k;
        }
    }
}

TEST(ChartRuns, TheAxisNamesTheYearWhenItCrossesOne)
{
    const double d = toOleDate(QDate(2026, 4, 7));
    EXPECT_EQ(chartDayText(d, d - 30, d + 30), QStringLiteral("4/7"));
    EXPECT_EQ(chartDayText(d, toOleDate(QDate(2025, 12, 20)), d + 1), QStringLiteral("2026/4/7"));
    EXPECT_EQ(chartDayText(d, d - 400, d), QStringLiteral("2026/4/7"));
}
