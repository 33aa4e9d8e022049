// The per-pupil summary sheet: a pupil's figures beside the school's.
#include "Fakes.h"
#include "Runs.h"
#include "dashboard/PupilSummary.h"
#include "platform/Calendar.h"
#include "records/Recount.h"

#include <gtest/gtest.h>

using namespace karuvel;

namespace {

// Four pupils in school year 2026: 1 青木 (小５), 2 上田 (中２), 3 小川 (小３,
// signed in), 4 江藤 (小５) who has never run. Two levels.
class Summary : public ::testing::Test {
protected:
    test::FakePlatform fakes;
    ProgramState& s = state();
    double today = 0;

    void SetUp() override
    {
        s.ProgramTitle = QStringLiteral("Karuvel");
        s.SchoolYear = Loose(2026);
        s.LevelCount = 2;
        s.LevelNames[1] = QStringLiteral("川１");
        s.LevelNames[2] = QStringLiteral("川２");
        const int births[] = {0, 2015, 2012, 2017, 2015};
        const char* names[] = {"", "青木", "上田", "小川", "江藤"};
        const char* grades[] = {"", "小５", "中２", "小３", "小５"};
        for (int p = 1; p <= 4; ++p) {
            s.RosterOrder[size_t(p)] = p;
            s.PupilBirthYears[size_t(p)] = births[p];
            s.PupilNames[size_t(p)] = QString::fromUtf8(names[p]).leftJustified(20, QLatin1Char(' '));
            s.PupilGrades[size_t(p)] = QString::fromUtf8(grades[p]);
        }
        s.RosterCount = Loose(4);
        s.CurrentPupil = 3;
        // Points as the recount left them at level 1.
        const int points[] = {0, 30, 30, 12, 0};
        for (int p = 1; p <= 3; ++p) {
            s.TotalPoints(1, p) = points[p];
            s.TotalCount(1, p) = 2;
        }
        today = toOleDate(fakes.clock.now().date());
    }

    PupilSummary pass(const QString& filter) const
    {
        PupilSummary summary(s, filter, fakes.clock.now(), 3);
        const struct {
            double date;
            int pupil, level, time;
        } runs[] = {
            {today, 1, 1, 40},         {today - 1, 1, 1, 50},
            {today, 2, 1, 40},         {today, 2, 1, 1800},  // 1800 s and more: not a time
            {today - 9, 2, 1, 2000},   {today - 2, 3, 1, 60},
            {today, 3, 1, 61},         {today, 3, 1, 99999},  // time over
            {today - 4000, 3, 1, 10},  // more than ten years ago
            {today, 9999, 1, 5},       {today, 3, 40, 5},     // damaged records
        };
        for (const auto& run : runs) {
            summary.add(test::runRecord(run.date, 0.5, run.pupil, run.level, run.time));
        }
        return summary;
    }
};

} // namespace

TEST_F(Summary, SheetOfTheSignedInPupil)
{
    const QStringList expected = {
        QStringLiteral("Karuvel　小３ 小川（3）"),
        QStringLiteral("【1】川１"),
        QStringLiteral("回数　　　　　　　      2回"),
        QStringLiteral("タイム  　　 　    本人 / 塾全体"),
        QStringLiteral("　　順位　　　　     3位"),  // 40 and 40 share rank 1
        QStringLiteral("　　最高　　　　     60秒 /     40秒"),
        QStringLiteral("　　平均　　　　     61秒 /     50秒"),  // 60.5 -> 61; 251 / 5 runs
        QStringLiteral("ポイント  　　　"),
        QStringLiteral("　　順位　　　　     3位"),
        QStringLiteral("　　獲得ポイント     12点"),
        QStringLiteral("　　　　　　　　　　　　/     24点"),  // (30 + 30 + 12) / 3 pupils with runs
        QStringLiteral("　　　　　　　　　　　　 (塾平均)"),
    };
    EXPECT_EQ(pass(QStringLiteral("全学年")).sheet(3, {1}), expected);
}

TEST_F(Summary, FiguresByPupilAndGradeFilter)
{
    struct Case {
        const char* filter;
        int pupil;
        LevelFigures want;
    };
    // runs, time rank, best, average, school best, school average, points rank, points, school average points
    const Case cases[] = {
        {"全学年", 1, {2, 1, 40, 45, 40, 50, 1, 30, 24}},
        {"全学年", 2, {1, 1, 40, 40, 40, 50, 1, 30, 24}},  // the 1800 s and 2000 s runs are left out
        {"全学年", 4, {0, -1, -1, -1, 40, 50, -1, 0, 24}},  // no run: no time, no rank
        // Middle-school pupils leave the school's figures; their own stay.
        {"小学生全体", 3, {2, 2, 60, 61, 40, 53, 2, 12, 21}},
        {"小学生全体", 2, {1, 1, 40, 40, 40, 53, 1, 30, 21}},
        {"中学生全体", 1, {2, 1, 40, 45, 40, 40, 1, 30, 30}},  // ranked against 上田 alone
    };
    for (const Case& c : cases) {
        const LevelFigures f = pass(QString::fromUtf8(c.filter)).figures(c.pupil, 1);
        SCOPED_TRACE(std::string(c.filter) + " pupil " + std::to_string(c.pupil));
        EXPECT_EQ(f.runs, c.want.runs);
        EXPECT_EQ(f.timeRank, c.want.timeRank);
        EXPECT_EQ(f.best, c.want.best);
        EXPECT_EQ(f.average, c.want.average);
        EXPECT_EQ(f.schoolBest, c.want.schoolBest);
        EXPECT_EQ(f.schoolAverage, c.want.schoolAverage);
        EXPECT_EQ(f.pointsRank, c.want.pointsRank);
        EXPECT_EQ(f.points, c.want.points);
        EXPECT_EQ(f.schoolAveragePoints, c.want.schoolAveragePoints);
    }
}

TEST_F(Summary, NoRunsAnywhereShowsDashesNotNumbers)
{
    const QStringList block = pass(QStringLiteral("全学年")).levelBlock(4, 2);
    ASSERT_EQ(block.size(), 11);
    EXPECT_EQ(block[0], QStringLiteral("【2】川２"));
    EXPECT_EQ(block[1], QStringLiteral("回数　　　　　　　      0回"));
    EXPECT_EQ(block[4], QStringLiteral("　　最高　　　　      -秒 /      -秒"));
    EXPECT_EQ(block[7], QStringLiteral("　　順位　　　　     -位"));
    EXPECT_EQ(block[9], QStringLiteral("　　　　　　　　　　　　/      -点"));
}

TEST_F(Summary, RunLinesOfTheListedPupilOnly)
{
    const PupilSummary summary = pass(QStringLiteral("中学生全体"));  // the filter never hides the pupil's own runs
    EXPECT_EQ(summary.runLines(1), QStringList({QStringLiteral("  60秒12/08●小川　　　●"),
                                                QStringLiteral("  61秒12/10●小川　　　●"),
                                                QStringLiteral("　　× 12/10●小川　　　●")}));
    EXPECT_TRUE(summary.runLines(2).isEmpty());
}

TEST_F(Summary, TheGroupComparedWithAndThePeriod)
{
    // A teacher whose runs never join any group.
    s.PupilNames[5] = QStringLiteral("上野先生").leftJustified(20, QLatin1Char(' '));
    s.PupilBirthYears[5] = 1980;
    s.RosterOrder[5] = 5;
    s.RosterCount = Loose(5);
    struct Case {
        const char* what;
        SummaryScope scope;
        int pupil;
        QString group;
        long long schoolBest, schoolAverage, runs, points;
    };
    SummaryScope school{CompareGroup::School, {}, false};
    SummaryScope grade{CompareGroup::PupilGrade, {}, false};
    const QDate day = fakes.clock.now().date();
    SummaryScope lastTwoDays{CompareGroup::School, {day.addDays(-1), day}, true};
    const Case cases[] = {
        // The whole school whatever filter the lists use ("中学生全体" below).
        {"the whole school", school, 3, "塾全体", 40, 50, 2, 12},
        {"the pupil's grade (小３: 小川 alone)", grade, 3, "小３", 60, 61, 2, 12},
        {"the pupil's grade (小５: 青木 and 江藤)", grade, 1, "小５", 40, 45, 2, 30},
        // The last two days: 小川's run of two days ago leaves; the points are the period's own.
        {"a period", lastTwoDays, 3, "塾全体", 40, 48, 1, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PupilSummary summary(s, QStringLiteral("中学生全体"), fakes.clock.now(), 3, c.scope);
        for (const auto& run : std::vector<std::tuple<double, int, int, int>>{
                 {today, 1, 1, 40}, {today - 1, 1, 1, 50}, {today, 2, 1, 40}, {today - 2, 3, 1, 60},
                 {today, 3, 1, 61}, {today, 5, 1, 3}}) {
            const auto& [date, pupil, level, time] = run;
            summary.add(test::runRecord(date, 0.5, pupil, level, time));
        }
        const LevelFigures f = summary.figures(c.pupil, 1);
        EXPECT_EQ(summary.groupName(c.pupil), c.group);
        EXPECT_EQ(f.schoolBest, c.schoolBest);
        EXPECT_EQ(f.schoolAverage, c.schoolAverage);
        EXPECT_EQ(f.runs, c.runs);
        if (c.scope.periodSet) EXPECT_EQ(f.points, recordPoints(61, s.TargetTime[1], s.PointMultiplier[1]));
        else EXPECT_EQ(f.points, c.points);
        const QStringList sheet = summary.sheet(c.pupil, {1});
        EXPECT_TRUE(sheet[1].contains(QStringLiteral("くらべる相手：") + c.group)) << sheet[1].toStdString();
        EXPECT_TRUE(sheet.join(QLatin1Char('\n')).contains(QStringLiteral("本人 / ") + c.group));
    }
}
