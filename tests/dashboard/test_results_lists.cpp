// The lines of the results lists and the points rankings.
#include "Fakes.h"
#include "Runs.h"
#include "dashboard/ResultsLists.h"
#include "platform/Calendar.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace karuvel;

namespace {

// A school of five pupils: 1 and 2 in the fifth year of elementary school,
// 3 in the second year of middle school, 4 in the first year, 5 (the signed-in
// pupil) in the third year of elementary school. School year 2026.
class Lists : public ::testing::Test {
protected:
    test::FakePlatform fakes;
    ProgramState& s = state();
    static constexpr int Me = 5;

    void SetUp() override
    {
        s.SchoolYear = Loose(2026);
        s.LevelCount = 2;
        for (int i = 1; i <= 2; ++i) {
            s.LevelNames[i] = QStringLiteral("川%1").arg(i);
            s.LevelTimed[i] = 1;
            s.TargetTime[i] = 60;
        }
        const int births[] = {0, 2015, 2015, 2012, 2013, 2017};
        const char* names[] = {"", "青木　一郎", "井上", "上田さくらこ", "江藤", "小川"};
        for (int p = 1; p <= 5; ++p) {
            s.RosterOrder[size_t(p)] = p;
            s.PupilBirthYears[size_t(p)] = births[p];
            s.PupilNames[size_t(p)] = QString::fromUtf8(names[p]).leftJustified(20, QLatin1Char(' '));
        }
        s.RosterCount = Loose(5);
        s.BestTime.fill(kNoTime);
    }
};

ResultRecordData record(double date, double clock, int pupil, int level, int time)
{
    return test::runRecord(date, clock, pupil, level, time);
}

} // namespace

TEST(LineFields, WidthsPaddingAndNeverCutting)
{
    EXPECT_EQ(rankField(3), QStringLiteral(" 3"));
    EXPECT_EQ(rankField(120), QStringLiteral("120"));
    EXPECT_EQ(valueField(45), QStringLiteral("    45"));
    EXPECT_EQ(timeField(45), QStringLiteral("  45秒"));
    EXPECT_EQ(timeField(123456), QStringLiteral("123456秒"));
    EXPECT_EQ(nameField(QStringLiteral("井上   ")), QStringLiteral("井上　　　"));
    EXPECT_EQ(nameField(QStringLiteral("上田さくらこ")), QStringLiteral("上田さくら"));
    EXPECT_EQ(clockText(0.5), QStringLiteral("12:00"));
    EXPECT_EQ(clockText((9 * 3600 + 5 * 60 + 59) / 86400.0), QStringLiteral("09:05"));
    EXPECT_EQ(clockText(std::nan("")), QStringLiteral("--:--"));  // a damaged record
    EXPECT_EQ(clockText(HUGE_VAL), QStringLiteral("--:--"));
    EXPECT_EQ(monthDayText(toOleDate(QDate(2026, 3, 4))), QStringLiteral("03/04"));
}

TEST_F(Lists, BestTimesShareRanksAndMarkFailuresAndMissingRuns)
{
    s.BestTime(1, 1) = 45;
    s.BestTime(1, 2) = 45;
    s.BestTime(1, 3) = 50;
    s.BestTime(1, 4) = 99998;  // every run failed
    // pupil 5 (me) has no run
    const ListContext c(s, Me, QStringLiteral("全学年"));
    const ListFill f = bestTimesList(s, c, 1);
    ASSERT_EQ(f.lines.size(), 5);
    EXPECT_EQ(f.lines[0], QStringLiteral(" 1⑤青木　一郎    45 　"));
    EXPECT_EQ(f.lines[1], QStringLiteral(" 1⑤井上　　　    45 　"));
    EXPECT_EQ(f.lines[2], QStringLiteral(" 3Ⅱ上田さくら    50 　"));
    EXPECT_EQ(f.lines[3], QStringLiteral(" 4Ⅰ江藤　　　*失敗* 　"));
    EXPECT_EQ(f.lines[4], QStringLiteral("--●小川　　　------ ●"));
    EXPECT_EQ(f.ownLine, 4);
}

TEST_F(Lists, BestTimesOfAPointsLevelPutTheHighestFirstAndNoRunLast)
{
    s.LevelTimed[2] = 0;
    s.BestTime(2, 1) = 30;
    s.BestTime(2, 3) = 80;
    s.BestTime(2, 5) = 30;
    const ListContext c(s, Me, QStringLiteral("全学年"));
    const ListFill f = bestTimesList(s, c, 2);
    ASSERT_EQ(f.lines.size(), 5);
    EXPECT_TRUE(f.lines[0].startsWith(QStringLiteral(" 1Ⅱ上田"))) << f.lines[0].toStdString();
    EXPECT_TRUE(f.lines[1].startsWith(QStringLiteral(" 2⑤青木"))) << f.lines[1].toStdString();
    EXPECT_TRUE(f.lines[2].startsWith(QStringLiteral(" 2●小川"))) << f.lines[2].toStdString();
    EXPECT_TRUE(f.lines[3].startsWith(QStringLiteral("--"))) << f.lines[3].toStdString();
    EXPECT_TRUE(f.lines[4].startsWith(QStringLiteral("--"))) << f.lines[4].toStdString();
}

TEST_F(Lists, GradeFilterHidesPupilsButTheyKeepTheirPlaces)
{
    s.BestTime(1, 1) = 40;
    s.BestTime(1, 2) = 41;
    s.BestTime(1, 3) = 42;
    s.BestTime(1, 5) = 39;
    const ListContext middle(s, Me, QStringLiteral("中学生全体"));
    ListFill f = bestTimesList(s, middle, 1);
    ASSERT_EQ(f.lines.size(), 2);
    EXPECT_TRUE(f.lines[0].startsWith(QStringLiteral(" 4Ⅱ上田")));  // ranked behind three elementary pupils
    EXPECT_TRUE(f.lines[1].startsWith(QStringLiteral("--Ⅰ江藤")));
    EXPECT_EQ(f.ownLine, -1);  // the elementary pupil's own line is hidden too

    s.TotalPoints(1, 5) = 10;
    f = rankingList(s, middle, 1, kRankAllTime);
    EXPECT_EQ(f.lines.size(), 2);
    EXPECT_EQ(f.ownLine, -1);

    const ListContext fifth(s, Me, QStringLiteral("小５"));
    f = bestTimesList(s, fifth, 1);
    ASSERT_EQ(f.lines.size(), 2);
    EXPECT_TRUE(f.lines[0].startsWith(QStringLiteral(" 2⑤青木")));
}

TEST_F(Lists, RankingTiesOnPrimaryPointsAreBrokenByTheOtherPoints)
{
    s.TotalPoints(1, 1) = 100;
    s.TodayPoints(1, 1) = 5;
    s.TotalPoints(1, 2) = 100;
    s.TodayPoints(1, 2) = 20;
    s.TotalPoints(1, 3) = 90;
    s.TodayPoints(1, 3) = 0;
    s.TotalPoints(1, 5) = 90;
    s.TodayPoints(1, 5) = 1200;  // more than a thousand today must not lift it over 100 in all
    const ListContext c(s, Me, QStringLiteral("全学年"));

    ListFill f = rankingList(s, c, 1, kRankAllTime);
    ASSERT_EQ(f.lines.size(), 5);
    EXPECT_EQ(f.lines[0], QStringLiteral(" 1⑤井上　　　 20/  100"));
    EXPECT_EQ(f.lines[1], QStringLiteral(" 1⑤青木　一郎  5/  100"));
    EXPECT_EQ(f.lines[2], QStringLiteral(" 3●小川　　　1200/   90"));
    EXPECT_EQ(f.lines[3], QStringLiteral(" 3Ⅱ上田さくら  0/   90"));
    EXPECT_EQ(f.lines[4], QStringLiteral(" 5Ⅰ江藤　　　  0/    0"));
    EXPECT_EQ(f.ownLine, 2);

    // Today's ranking: a pupil without points today is left out.
    f = rankingList(s, c, 1, kRankToday);
    ASSERT_EQ(f.lines.size(), 3);
    EXPECT_TRUE(f.lines[0].startsWith(QStringLiteral(" 1●小川")));
    EXPECT_TRUE(f.lines[1].startsWith(QStringLiteral(" 2⑤井上")));
    EXPECT_TRUE(f.lines[2].startsWith(QStringLiteral(" 3⑤青木")));
}

TEST_F(Lists, RankingHandlesPointsBeyondThe32BitKey)
{
    s.TotalPoints(1, 1) = 3'000'000'000LL;
    s.TotalPoints(1, 2) = 2'999'999'999LL;
    s.TotalPoints(1, 3) = 5'000'000LL;
    const ListContext c(s, Me, QStringLiteral("全学年"));
    const ListFill f = rankingList(s, c, 1, kRankAllTime);
    EXPECT_TRUE(f.lines[0].endsWith(QStringLiteral("/3000000000")));
    EXPECT_TRUE(f.lines[1].endsWith(QStringLiteral("/2999999999")));
    EXPECT_TRUE(f.lines[2].endsWith(QStringLiteral("/5000000")));
}

TEST_F(Lists, TodayViewLeavesOutFailedRunsAndPeriodViewMarksThem)
{
    const QDateTime now = fakes.clock.now();  // Thursday 10 December 2026, 10:00
    const double today = toOleDate(now.date());
    const ListContext c(s, Me, QStringLiteral("全学年"));

    RecordListsBuilder todayView(s, c, RecordView::Today, now);
    RecordListsBuilder month(s, c, RecordView::Period, now, periodDays(3, now.date()));
    const ResultRecordData runs[] = {
        record(today, 9.5 / 24, 5, 1, 45),          // mine, 9:30
        record(today, 9.75 / 24, 3, 1, 99999),      // time over
        record(today, 9.8 / 24, 4, 2, 90000),       // a failed run
        record(today - 1, 0.5, 1, 1, 30),           // yesterday
        record(today - 29, 0.5, 2, 2, 61),          // 29 days ago: in the month
        record(today - 30, 0.5, 2, 2, 62),          // 30 days ago: outside
        record(today, 0.5, 0, 1, 45),               // pupil 0: never shown
        record(today, 0.5, 1, 3, 45),               // beyond the level count
        record(1e300, 0.5, 1, 1, 45),               // a damaged date: never shown
        record(2958466, 0.5, 1, 1, 45),             // the day after 31 December 9999
    };
    for (const ResultRecordData& r : runs) {
        todayView.add(r);
        month.add(r);
    }
    ASSERT_EQ(todayView.lists[1].size(), 1);
    EXPECT_EQ(todayView.lists[1][0], QStringLiteral("  45秒 09:30●小川　　　●5"));  // 5 + (15/60)^3 x 50 = 5.78
    EXPECT_TRUE(todayView.lists[2].isEmpty());

    ASSERT_EQ(month.lists[1].size(), 3);
    EXPECT_EQ(month.lists[1][0], QStringLiteral("  45秒12/10●小川　　　●"));
    EXPECT_EQ(month.lists[1][1], QStringLiteral("　　× 12/10Ⅱ上田さくら　"));
    EXPECT_EQ(month.lists[1][2], QStringLiteral("  30秒12/09⑤青木　一郎　"));
    ASSERT_EQ(month.lists[2].size(), 2);
    EXPECT_EQ(month.lists[2][0], QStringLiteral("　　× 12/10Ⅰ江藤　　　　"));
    EXPECT_EQ(month.lists[2][1], QStringLiteral("  61秒11/11⑤井上　　　　"));
}

TEST_F(Lists, TodayPointsCarryNoMultiplier)
{
    s.PointMultiplier[1] = 3.0f;
    const QDateTime now = fakes.clock.now();
    const ListContext c(s, Me, QStringLiteral("全学年"));
    RecordListsBuilder v(s, c, RecordView::Today, now);
    v.add(record(toOleDate(now.date()), 0.4, 1, 1, 0));    // 55
    v.add(record(toOleDate(now.date()), 0.4, 1, 1, 60));   // 5
    v.add(record(toOleDate(now.date()), 0.4, 1, 1, 100));  // 4
    v.add(record(toOleDate(now.date()), 0.4, 1, 1, 599));  // 1
    v.add(record(toOleDate(now.date()), 0.4, 1, 1, 600));  // 0
    ASSERT_EQ(v.lists[1].size(), 5);
    const char* ends[] = {"　55", "　5", "　4", "　1", "　0"};
    for (int k = 0; k < 5; ++k)
        EXPECT_TRUE(v.lists[1][k].endsWith(QString::fromUtf8(ends[k]))) << v.lists[1][k].toStdString();
}

TEST(Periods, ThisWeekRunsFromMonday)
{
    const QDate monday(2026, 12, 7);
    const QDate sunday(2026, 12, 13);
    EXPECT_EQ(periodDays(1, monday), 1);
    EXPECT_EQ(periodDays(1, sunday), 7);
    EXPECT_EQ(periodDays(2, monday), 8);
    EXPECT_EQ(periodDays(2, sunday), 14);
    EXPECT_EQ(periodDays(1, QDate(2026, 12, 10)), 4);  // Thursday
    EXPECT_EQ(periodDays(3, monday), 30);
    EXPECT_EQ(periodDays(4, monday), 365);
    EXPECT_EQ(periodDays(5, monday), 3650);

    // On a Monday "今週" holds only Monday's runs; on a Sunday Monday to Sunday.
    const QDateTime mondayNoon(monday, QTime(12, 0));
    EXPECT_TRUE(withinDays(toOleDate(monday), mondayNoon, periodDays(1, monday)));
    EXPECT_FALSE(withinDays(toOleDate(monday.addDays(-1)), mondayNoon, periodDays(1, monday)));
    const QDateTime sundayNight(sunday, QTime(23, 59));
    EXPECT_TRUE(withinDays(toOleDate(monday), sundayNight, periodDays(1, sunday)));
    EXPECT_FALSE(withinDays(toOleDate(monday.addDays(-1)), sundayNight, periodDays(1, sunday)));

    const QStringList choices = periodChoices();
    ASSERT_EQ(choices.size(), 5);
    EXPECT_EQ(choices[2], QStringLiteral("　　１ヶ月間の全成績"));
    EXPECT_TRUE(choices[4].endsWith(QLatin1Char('"')));
}
