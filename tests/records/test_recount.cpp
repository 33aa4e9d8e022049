// Points of a run, the recount's variant, and the statistics rebuilt from the
// results file: periods, today, time sums, averages that keep their value.
#include "Fakes.h"
#include "Runs.h"
#include "TempDir.h"
#include "platform/Calendar.h"
#include "platform/RecordFile.h"
#include "records/Recount.h"
#include "records/ResultsFile.h"
#include "state/ProgramState.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <random>

using namespace karuvel;
using namespace karuvel::test;

namespace {

TEST(Points, OfARunFromItsTime)
{
    const struct {
        long long t, target;
        float multiplier;
        int base;
        long long points;
    } cases[] = {
        {60, 60, 1, 5, 5},            // exactly the target time
        {0, 60, 1, 55, 55},           // no time at all
        {0, 60, 1.5f, 55, 82},        // 82.5 rounded down
        {45, 60, 2, 5, 10},           // 0.25^3 x 50 is below 1
        {30, 60, 1, 11, 11},          // 0.5^3 x 50 + 5 = 11.25
        {61, 60, 1, 4, 4},            // just above the target
        {119, 60, 1, 4, 4},
        {120, 60, 1, 1, 1},           // twice the target
        {599, 60, 1, 1, 1},
        {600, 60, 1, 0, 0},           // ten times the target
        {99999, 200000, 1, 0, 0},     // time over, whatever the target
        {99998, 200000, 1, 0, 0},
        {10, 0, 1, 0, 0},             // no target time: nothing, no division
        {0, 0, 1, 0, 0},
        {10, -5, 1, 0, 0},
        {0, 60, 0.7f, 55, 38},        // 38.5
        {120, 60, 0.7f, 1, 0},
        {60, 60, 1.4f, 5, 7},         // single precision: 1.4 x 5 = 7, not 6.99...
        {-30, 60, 1, 55, 55},         // a damaged negative time earns no more than 0 seconds
    };
    for (const auto& c : cases) {
        EXPECT_EQ(runBasePoints(c.t, c.target), c.base) << c.t << " / " << c.target;
        EXPECT_EQ(runPoints(c.t, c.target, c.multiplier), c.points) << c.t << " / " << c.target << " x " << c.multiplier;
    }
}

TEST(Points, RecountVariantUsesTheTimeFigure)
{
    const struct {
        long long t, figure;
    } figures[] = {{0, 0}, {45, 45}, {999, 999}, {1000, 100}, {1234, 123}, {5999, 599}, {99999, 999}, {-5, -5}, {-1234, -12}};
    for (const auto& f : figures) EXPECT_EQ(timeFigure(f.t), f.figure) << f.t;

    EXPECT_EQ(recordPoints(45, 60, 2), 10);
    EXPECT_EQ(recordPoints(99999, 60, 2), 0);
    // 1500 s on a target of 2000: compared as 1500, computed with 150.
    EXPECT_EQ(recordPoints(1500, 2000, 1), 44);
    EXPECT_EQ(runPoints(1500, 2000, 1), 5);
    EXPECT_EQ(recordPoints(10, 0, 1), 0);
}

class RecountTest : public ::testing::Test {
protected:
    FakePlatform fakes;
    TempDir dir;
    QByteArray bytes;
    void SetUp() override
    {
        ProgramState& s = state();
        s.DataFolder = Loose(dir.path());
        fakes.clock.current = QDateTime(QDate(2026, 12, 10), QTime(10, 0, 0));
        for (int level : {1, 2}) {
            s.TargetTime[level] = 60;
            s.PointMultiplier[level] = 2;
            s.RecentDays[level] = Loose(7);
            s.OverdoDays[level] = Loose(1);
        }
    }
    void add(int daysAgo, int pupil, int level, int time)
    {
        const auto b = test::runRecord(toOleDate(fakes.clock.current.date()) - daysAgo, 0.25, pupil, level, time).toBytes();
        bytes.append(b.data(), kRecordSize);
    }
    void recount()
    {
        dir.writeBytes(QStringLiteral("成績累積データ.dat"), bytes);
        EXPECT_TRUE(RecountAll().ok());
    }
};

TEST_F(RecountTest, CountsPointsAndSumsByPeriod)
{
    add(0, 7, 1, 45);      // today: 10 points
    add(0, 7, 1, 30);      // today: 11 x 2 = 22 points
    add(0, 7, 1, 99999);   // today, time over: no count, no points, 999 in the sums
    add(6, 7, 1, 60);      // within 7 days: 10 points
    add(7, 7, 1, 60);      // 7 days ago: only in the totals
    add(0, 7, 2, 100);     // another level: 4 x 2 = 8 points
    add(0, 7, 0, 10);      // level 0 is never counted
    add(0, 8, 1, 6000);    // 6000 s or more: no count, but in the time sums
    recount();
    const ProgramState& s = state();
    EXPECT_EQ(s.RecordCount, 7);

    EXPECT_EQ(s.TotalCount(1, 7), 4);
    EXPECT_EQ(s.TotalPoints(1, 7), 10 + 22 + 0 + 10 + 10);
    EXPECT_EQ(s.TotalTimeSum(1, 7), 45 + 30 + 999 + 60 + 60);
    EXPECT_EQ(s.TotalAvgTime(1, 7), 299.0f);  // 1194 / 4 = 298.5, rounded half up

    EXPECT_EQ(s.RecentCount(1, 7), 3);
    EXPECT_EQ(s.RecentPoints(1, 7), 10 + 22 + 10);
    EXPECT_EQ(s.OverdoCount(1, 7), 2);       // one day: today only
    EXPECT_EQ(s.OverdoPoints(1, 7), 32);

    EXPECT_EQ(s.TodayCount(1, 7), 2.0f);
    EXPECT_EQ(s.TodayPoints(1, 7), 32);
    EXPECT_EQ(s.TodayTimeSum(1, 7), 45.0f + 30 + 999);
    EXPECT_EQ(s.TodayAvgTime(1, 7), 537.0f);  // 1074 / 2

    EXPECT_EQ(s.TotalCount(2, 7), 1);
    EXPECT_EQ(s.TotalPoints(2, 7), 8);
    EXPECT_EQ(s.TotalTimeSum(2, 7), 100);
    EXPECT_EQ(s.TotalCount(0, 7), 0);

    EXPECT_EQ(s.TotalCount(1, 8), 0);
    EXPECT_EQ(s.TotalPoints(1, 8), 0);
    EXPECT_EQ(s.TotalTimeSum(1, 8), 600);
    EXPECT_EQ(s.BestTime(1, 7), 30);
    EXPECT_EQ(s.TopTime[1], 30);
}

TEST_F(RecountTest, PeriodsOfZeroOrEmptyDaysHoldNothing)
{
    state().RecentDays[1] = Loose(0);
    state().OverdoDays[1] = Loose();
    add(0, 7, 1, 45);
    recount();
    EXPECT_EQ(state().TotalCount(1, 7), 1);
    EXPECT_EQ(state().RecentCount(1, 7), 0);
    EXPECT_EQ(state().RecentPoints(1, 7), 0);
    EXPECT_EQ(state().OverdoCount(1, 7), 0);
}

TEST_F(RecountTest, AveragesKeepTheirValueWhenTheCountDropsToZero)
{
    add(0, 7, 1, 45);
    add(0, 7, 1, 30);
    recount();
    EXPECT_EQ(state().TodayAvgTime(1, 7), 38.0f);  // 37.5 rounded half up
    fakes.clock.current = fakes.clock.current.addDays(1);  // after midnight
    EXPECT_TRUE(RecountAll().ok());
    EXPECT_EQ(state().TodayCount(1, 7), 0.0f);
    EXPECT_EQ(state().TodayTimeSum(1, 7), 0.0f);
    EXPECT_EQ(state().TodayAvgTime(1, 7), 38.0f);
    EXPECT_EQ(state().TotalCount(1, 7), 2);
}

TEST_F(RecountTest, RecountStartsFromZeroEachTimeAndFollowsChangedCriteria)
{
    add(0, 7, 1, 45);
    recount();
    EXPECT_TRUE(RecountAll().ok());
    EXPECT_EQ(state().TotalCount(1, 7), 1);
    EXPECT_EQ(state().TodayPoints(1, 7), 10);

    // Points come from today's target time and multiplier, whatever came before.
    const struct {
        int target;
        float multiplier;
        long long points;
    } criteria[] = {{90, 2, 22}, {90, 1, 11}, {60, 2, 10}, {30, 2, 8}};
    for (const auto& c : criteria) {
        state().TargetTime[1] = c.target;
        state().PointMultiplier[1] = c.multiplier;
        EXPECT_TRUE(RecountAll().ok());
        EXPECT_EQ(state().TotalPoints(1, 7), c.points) << c.target << " " << c.multiplier;
    }
}

// The recount leaves out the rows it knows to be empty still; a figure
// written into any table between two recounts must not survive the next.
TEST_F(RecountTest, FiguresWrittenBetweenRecountsAreEmptiedByTheNext)
{
    add(0, 7, 1, 45);
    recount();
    EXPECT_TRUE(RecountAll().ok());
    ProgramState& s = state();
    s.TotalCount(1, 4000) = 3;      // beyond the school's pupils, on a level with runs
    s.RecentPoints(20, 5) = 9;      // a level without runs
    s.BestTime.row(30)[2] = 50;     // written through a row
    s.TodayCount.row(1)[4999] = 2;
    s.OverdoCount(0, 0) = 1;
    s.TotalPoints(1, 7) = 999;      // a cell with runs
    EXPECT_TRUE(RecountAll().ok());
    EXPECT_EQ(s.TotalCount(1, 4000), 0);
    EXPECT_EQ(s.RecentPoints(20, 5), 0);
    EXPECT_EQ(s.BestTime(30, 2), kNoTime);
    EXPECT_EQ(s.TodayCount(1, 4999), 0.0f);
    EXPECT_EQ(s.OverdoCount(0, 0), 0);
    EXPECT_EQ(s.TotalPoints(1, 7), 10);

    // A whole table filled with something else is emptied too.
    s.TotalTimeSum.fill(5);
    EXPECT_TRUE(RecountAll().ok());
    EXPECT_EQ(s.TotalTimeSum(1, 7), 45);
    EXPECT_EQ(s.TotalTimeSum(1, 8), 0);
    EXPECT_EQ(s.TotalTimeSum(35, 5000), 0);
}

TEST_F(RecountTest, SumsBeyondThirtyTwoBitsAreKeptWhole)
{
    // 1e8: a single run's points leave 32 bits; 1e7: each run's fit, their sum does not.
    for (const float multiplier : {1e8f, 1e7f}) {
        bytes.clear();
        state().PointMultiplier[1] = multiplier;
        for (int i = 0; i < 4; ++i) add(0, 7, 1, 0);
        add(3, 7, 1, 0);
        recount();
        const long long run = recordPoints(0, 60, multiplier);
        ASSERT_GT(5 * run, 2'200'000'000LL);
        EXPECT_EQ(state().TotalPoints(1, 7), 5 * run) << multiplier;
        EXPECT_EQ(state().TodayPoints(1, 7), 4 * run) << multiplier;
        EXPECT_EQ(state().RecentPoints(1, 7), 5 * run) << multiplier;
        EXPECT_EQ(state().TotalCount(1, 7), 5) << multiplier;
        recount();  // nothing carried over from the first pass
        EXPECT_EQ(state().TotalPoints(1, 7), 5 * run) << multiplier;
    }
}

TEST_F(RecountTest, LevelWithoutTargetTimeEarnsNoPoints)
{
    state().TargetTime[1] = 0;
    add(0, 7, 1, 45);
    recount();
    EXPECT_EQ(state().TotalCount(1, 7), 1);
    EXPECT_EQ(state().TotalPoints(1, 7), 0);
}

} // namespace

namespace {

// The recount of many mixed records against a plain record-by-record reading
// of the rules (odd times, out-of-range levels and pupils, periods, today).
// A large file is read in chunks by two lanes at once: the figures, the best
// times and the kept records in file order must come out the same.
class MixedRecountTest : public RecountTest, public ::testing::WithParamInterface<int> {};

TEST_P(MixedRecountTest, ManyMixedRecordsAgreeWithThePlainRules)
{
    const int records = GetParam();
    ProgramState& s = state();
    const int targets[] = {0, 30, 60, 700, -5, 2000};
    const float multipliers[] = {1, 1.5f, 0.7f, 2};
    for (int level = 1; level <= kMaxLevel; ++level) {
        s.TargetTime[level] = targets[level % 6];
        s.PointMultiplier[level] = multipliers[level % 4];
        s.RecentDays[level] = level % 3 == 0 ? Loose() : Loose(level % 8);
        s.OverdoDays[level] = Loose(1 + level % 2);
    }
    std::mt19937 gen(7);
    const int times[] = {0, 1, 45, 999, 1000, 1234, 1999, 2000, 2001, 5999, 6000, 99997, 99998, 99999, -50, -1234, 12345};
    struct Plain {
        int level, pupil, time, daysAgo;
    };
    std::vector<Plain> plain;
    for (int i = 0; i < records; ++i) {
        Plain p;
        p.level = int(gen() % 38) - 1;  // -1..36
        p.pupil = gen() % 10 == 0 ? int(gen() % 5010) - 5 : 1 + int(gen() % 40);
        p.time = gen() % 3 == 0 ? times[gen() % 17] : int(gen() % 800);
        p.daysAgo = int(gen() % 12) - 1;  // tomorrow .. 10 days ago
        plain.push_back(p);
        add(p.daysAgo, p.pupil, p.level, p.time);
    }
    recount();

    auto figureOf = [](long long t) { return (long long)QString::number(t).left(3).toDouble(); };
    auto pointsOf = [&](int level, long long t) -> long long {
        const long long T = s.TargetTime[level];
        if (T <= 0) return 0;
        int base;
        if (t <= T) {
            const double r = std::min(1.0, double(T - figureOf(t)) / double(T));
            base = int(std::floor(std::pow(r, 3) * 50 + 5));
        } else if (t < 2 * T) base = 4;
        else if (t < 10 * T) base = 1;
        else base = 0;
        if (t > 99997) base = 0;
        return (long long)std::floor(s.PointMultiplier[level] * float(base));
    };
    std::map<std::pair<int, int>, std::array<double, 10>> expect;
    std::map<std::pair<int, int>, int> best;
    std::vector<const Plain*> kept;
    for (const Plain& p : plain) {
        if (p.level >= 0 && p.level <= kMaxLevel && p.pupil >= 0 && p.pupil <= kMaxPupil) {
            auto [it, fresh] = best.emplace(std::make_pair(p.level, p.pupil), p.time);
            if (!fresh) it->second = std::min(it->second, p.time);
        }
        if (p.level < 1 || p.level > kMaxLevel || p.pupil < 1 || p.pupil > kMaxPupil) continue;
        kept.push_back(&p);
        auto& e = expect[{p.level, p.pupil}];
        const bool counts = p.time < 6000;
        const long long pts = pointsOf(p.level, p.time);
        const long long fig = figureOf(p.time);
        e[0] += counts;
        e[1] += pts;
        e[2] += fig;
        if (p.daysAgo < s.RecentDays[p.level].toNumber()) {
            e[3] += counts;
            e[4] += pts;
        }
        if (p.daysAgo < s.OverdoDays[p.level].toNumber()) {
            e[5] += counts;
            e[6] += pts;
        }
        if (p.daysAgo == 0) {
            e[7] += counts;
            e[8] += pts;
            e[9] += fig;
        }
    }
    ASSERT_GT(expect.size(), 500u);
    for (const auto& [cell, e] : expect) {
        const auto [L, P] = cell;
        SCOPED_TRACE(testing::Message() << "level " << L << " pupil " << P);
        EXPECT_EQ(s.TotalCount(L, P), e[0]);
        EXPECT_EQ(s.TotalPoints(L, P), e[1]);
        EXPECT_EQ(s.TotalTimeSum(L, P), e[2]);
        EXPECT_EQ(s.RecentCount(L, P), e[3]);
        EXPECT_EQ(s.RecentPoints(L, P), e[4]);
        EXPECT_EQ(s.OverdoCount(L, P), e[5]);
        EXPECT_EQ(s.OverdoPoints(L, P), e[6]);
        EXPECT_EQ(s.TodayCount(L, P), float(e[7]));
        EXPECT_EQ(s.TodayPoints(L, P), e[8]);
        EXPECT_EQ(s.TodayTimeSum(L, P), float(e[9]));
        if (e[0] >= 1) EXPECT_EQ(s.TotalAvgTime(L, P), float(std::floor(e[2] / e[0] + 0.5)));
    }
    EXPECT_EQ(s.TotalCount(1, 41), 0);
    EXPECT_EQ(s.TotalTimeSum(36 - 1, 4999), 0);
    for (const auto& [cell, time] : best) EXPECT_EQ(s.BestTime(cell.first, cell.second), time);
    EXPECT_EQ(s.BestTime(1, 4999), kNoTime);

    ASSERT_EQ(s.RecordCount, int(kept.size()));
    const double today = toOleDate(fakes.clock.current.date());
    for (size_t k = 0; k < kept.size(); ++k) {
        if (s.RecPupil(k + 1) != kept[k]->pupil || s.RecLevel(k + 1) != kept[k]->level ||
            s.RecTime(k + 1) != kept[k]->time || s.RecDate(k + 1) != today - kept[k]->daysAgo ||
            s.RecClock(k + 1) != 0.25) {
            ADD_FAILURE() << "kept record " << k + 1 << " is not the file's";
            break;
        }
    }

    // A small file after it starts from nothing.
    bytes.clear();
    add(0, 3, 2, 40);
    recount();
    EXPECT_EQ(s.RecordCount, 1);
    EXPECT_EQ(s.TotalCount(2, 3), 1);
    EXPECT_EQ(s.BestTime(2, 3), 40);
    for (const auto& [cell, e] : expect) {
        if (cell == std::make_pair(2, 3)) continue;
        EXPECT_EQ(s.TotalCount(cell.first, cell.second), 0);
        EXPECT_EQ(s.TodayPoints(cell.first, cell.second), 0);
        EXPECT_EQ(s.BestTime(cell.first, cell.second), kNoTime);
    }
}

// 3000 records are read in one go; 120,000 in two halves at once.
INSTANTIATE_TEST_SUITE_P(Sizes, MixedRecountTest, ::testing::Values(3000, 120000));

} // namespace
