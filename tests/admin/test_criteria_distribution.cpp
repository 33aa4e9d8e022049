// The criteria editor's results distribution: the band tables, each pupil's
// best time, the star lines, and reading the results file only when it changed.
#include "Fakes.h"
#include "TempDir.h"
#include "admin/Distribution.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QtEndian>
#include <gtest/gtest.h>

#include <climits>

using namespace karuvel;
using karuvel::test::TempDir;

namespace {

QByteArray record(int pupil, int level, int32_t seconds)
{
    QByteArray r(44, ' ');
    const double date = 46000, clock = 0.5;
    qToLittleEndian(date, r.data());
    qToLittleEndian(clock, r.data() + 8);
    qToLittleEndian(int16_t(pupil), r.data() + 16);
    qToLittleEndian(int16_t(level), r.data() + 18);
    qToLittleEndian(seconds, r.data() + 20);
    return r;
}

QByteArray records(const std::vector<DistributionRun>& runs)
{
    QByteArray out;
    for (const auto& r : runs) out += record(r.pupil, r.level, r.seconds);
    return out;
}

int stars(const QString& line) { return int(line.count(QStringLiteral("★"))); }

} // namespace

TEST(Distribution, LevelWithoutRuns)
{
    const DistributionTables t = distributionOf({{4, 1, 30}});
    const QStringList all = allRunsLines(t, 3);
    const QStringList best = bestTimeLines(t, 3);
    ASSERT_EQ(all.size(), 102);
    ASSERT_EQ(best.size(), 102);
    EXPECT_EQ(all[0], QStringLiteral("レベル3 今まで0回  （★=1）"));
    EXPECT_EQ(best[0], QStringLiteral("レベル3 （★=1）"));
    EXPECT_EQ(all[1], QStringLiteral("  0～"));
    EXPECT_EQ(all[2], QStringLiteral("  10～"));
    EXPECT_EQ(all[11], QStringLiteral(" 100～"));
    EXPECT_EQ(all[101], QStringLiteral("1000～"));
    for (int i = 1; i < 102; ++i) {
        EXPECT_EQ(stars(all[i]), 0) << i;
        EXPECT_EQ(best[i], all[i]) << i;
    }
}

TEST(Distribution, BandsOfAllRunsAndOfBestTimes)
{
    // One pupil per run, so that every run is also that pupil's best.
    struct Case {
        int32_t seconds;
        int allBand, bestBand;
    };
    const Case cases[] = {
        {0, 0, 0},       {9, 0, 0},        {10, 1, 1},       {299, 29, 29},         {300, 30, 30},
        {999, 99, 30},   {1000, 100, 30},  {5999, 100, 30},  {99999, 100, 30},      {INT32_MAX, 100, 30},
    };
    int pupil = 1;
    std::vector<DistributionRun> runs;
    for (const Case& c : cases) runs.push_back({7, pupil++, c.seconds});
    const DistributionTables t = distributionOf(runs);
    EXPECT_EQ(t.runs(7), int64_t(std::size(cases)));
    std::array<int64_t, 101> all{}, best{};
    for (const Case& c : cases) {
        ++all[size_t(c.allBand)];
        ++best[size_t(c.bestBand)];
    }
    for (int b = 0; b <= 100; ++b) {
        EXPECT_EQ(t.allRuns(7, b), all[size_t(b)]) << "band " << b;
        EXPECT_EQ(t.bestRuns(7, b), best[size_t(b)]) << "band " << b;
    }
}

TEST(Distribution, BestTimePerPupilAndLevel)
{
    // Pupils 2345 and 12345 are two pupils, and 123456 s is slower than 23456 s:
    // a key of cut-down texts would mix both up.
    const DistributionTables t = distributionOf({
        {5, 1, 95},    {5, 1, 42},    {5, 1, 300},   // pupil 1: best 42
        {5, 2, 42},    {5, 2, 48},                   // pupil 2: best 42
        {6, 1, 12},                                  // another level
        {5, 2345, 23456}, {5, 12345, 123456}, {5, 12345, 77},
        {5, -3, 15},                                 // a damaged pupil number still is one pupil
    });
    EXPECT_EQ(t.runs(5), 9);
    EXPECT_EQ(t.bestRuns(5, 4), 2);   // pupils 1 and 2
    EXPECT_EQ(t.bestRuns(5, 7), 1);   // 12345 at 77
    EXPECT_EQ(t.bestRuns(5, 30), 1);  // 2345 at 23456
    EXPECT_EQ(t.bestRuns(5, 1), 1);   // pupil -3
    EXPECT_EQ(t.bestRuns(5, 9), 0);
    EXPECT_EQ(t.bestRuns(6, 1), 1);
    int64_t pupils = 0;
    for (int b = 0; b <= 100; ++b) pupils += t.bestRuns(5, b);
    EXPECT_EQ(pupils, 5);
}

TEST(Distribution, ScaleAndStars)
{
    std::vector<DistributionRun> runs;
    for (int i = 0; i < 25; ++i) runs.push_back({2, 1, 35});   // band 3
    for (int i = 0; i < 4; ++i) runs.push_back({2, 1, 51});    // band 5
    runs.push_back({2, 1, 1234});                              // band 100
    const QStringList all = allRunsLines(distributionOf(runs), 2);
    EXPECT_EQ(all[0], QStringLiteral("レベル2 今まで30回  （★=2）"));
    EXPECT_EQ(all[4], QStringLiteral("  30～") + QStringLiteral("★").repeated(13));  // 25 / 2 + 0.5
    EXPECT_EQ(stars(all[6]), 2);
    EXPECT_EQ(stars(all[101]), 1);  // 1 / 2 + 0.5
    // One pupil: one best run, in band 3.
    const QStringList best = bestTimeLines(distributionOf(runs), 2);
    EXPECT_EQ(best[0], QStringLiteral("レベル2 （★=1）"));
    EXPECT_EQ(stars(best[4]), 1);
}

TEST(Distribution, DamagedRecordsNeverIndexOutsideTheTables)
{
    const DistributionTables t = distributionOf({
        {0, 1, 30},        // level 0: skipped
        {-1, 1, 30},       {-32768, 1, 30}, {101, 1, 30}, {32767, 1, 30},
        {51, 1, 30},       {100, 1, 30},    // counted, no bands
        {3, 1, -5},        {3, 1, INT32_MIN},
        {3, 1, 45},
    });
    EXPECT_EQ(t.runs(0), 0);
    EXPECT_EQ(t.runs(51), 1);
    EXPECT_EQ(t.runs(100), 1);
    EXPECT_EQ(t.runs(101), 0);
    EXPECT_EQ(t.runs(3), 1);
    EXPECT_EQ(t.allRuns(3, 4), 1);
    EXPECT_EQ(t.bestRuns(3, 4), 1);
    // The lists of a level beyond the band tables still show its count.
    const QStringList all = allRunsLines(t, 51);
    EXPECT_EQ(all[0], QStringLiteral("レベル51 今まで1回  （★=1）"));
    EXPECT_EQ(allRunsLines(t, 400).size(), 102);
    EXPECT_EQ(bestTimeLines(t, -7).size(), 102);

    // The largest time there is, twice for one pupil: one best time.
    const DistributionTables huge = distributionOf({{4, 2, INT32_MAX}, {4, 2, INT32_MAX}, {4, 3, 99999}});
    EXPECT_EQ(huge.allRuns(4, 100), 3);
    EXPECT_EQ(huge.bestRuns(4, 30), 2);
}

TEST(DistributionFile, ReadAgainOnlyWhenTheFileChanged)
{
    TempDir dir;
    const QString path = dir.file(QStringLiteral("成績累積データ.dat"));
    DistributionSource source(path);
    EXPECT_EQ(source.refresh(), DistributionSource::Result::Missing);
    EXPECT_EQ(source.tables().runs(1), 0);

    dir.writeBytes(QStringLiteral("成績累積データ.dat"), records({{1, 1, 30}, {1, 2, 40}}) + QByteArray(20, 'x'));
    EXPECT_EQ(source.refresh(), DistributionSource::Result::Read);
    EXPECT_EQ(source.tables().runs(1), 2);  // the torn end is no record
    for (int i = 0; i < 3; ++i) EXPECT_EQ(source.refresh(), DistributionSource::Result::Unchanged);
    EXPECT_EQ(source.reads(), 1);

    // Another PC appends a run.
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.resize(88);
        f.seek(88);
        f.write(record(3, 1, 12));
    }
    EXPECT_EQ(source.refresh(), DistributionSource::Result::Read);
    EXPECT_EQ(source.tables().runs(1), 3);
    EXPECT_EQ(source.tables().allRuns(1, 1), 1);

    // The records manager replaces the file by one of the same size at once.
    {
        QSaveFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(records({{2, 1, 30}, {2, 2, 40}, {2, 3, 12}}));
        ASSERT_TRUE(f.commit());
    }
    EXPECT_EQ(source.refresh(), DistributionSource::Result::Read);
    EXPECT_EQ(source.tables().runs(1), 0);
    EXPECT_EQ(source.tables().runs(2), 3);
    EXPECT_EQ(source.reads(), 3);

    QFile::remove(path);
    EXPECT_EQ(source.refresh(), DistributionSource::Result::Missing);
    EXPECT_EQ(source.tables().runs(2), 0);
}

TEST(DistributionFile, UnreadableFileIsNamed)
{
    TempDir dir;
    const QString path = dir.mkdir(QStringLiteral("成績累積データ.dat"));  // a folder where the file should be
    DistributionSource source(path.chopped(1));
    QString problem;
    EXPECT_EQ(source.refresh(&problem), DistributionSource::Result::Failed);
    EXPECT_TRUE(problem.contains(QStringLiteral("「成績累積データ.dat」を読むことができません"))) << problem.toStdString();
    EXPECT_EQ(source.tables().runs(1), 0);
}
