// Grades from birth years and the roster file.
#include "RosterFixture.h"
#include "roster/Roster.h"

using namespace karuvel;
using namespace karuvel::test;

TEST(Grades, SchoolYearTurnsOnTheStartMonth)
{
    EXPECT_EQ(schoolYearOf(QDate(2024, 3, 31), 4), 2023);
    EXPECT_EQ(schoolYearOf(QDate(2024, 4, 1), 4), 2024);
    EXPECT_EQ(schoolYearOf(QDate(2024, 1, 5), 1), 2024);
    EXPECT_EQ(schoolYearOf(QDate(2024, 12, 31), 0), 2024);  // start month missing: the calendar year
}

TEST(Grades, TextsLabelsAndMarks)
{
    struct Case {
        int g;
        const char* text;
        const char* label;
        const char* mark;
    };
    const Case cases[] = {
        {-3, "", "幼-", "　"},  {-2, "", "幼1", "　"},    {-1, "", "幼2", "　"},    {0, "幼３", "幼3", "　"},
        {1, "小１", "小1", "①"}, {6, "小６", "小6", "⑥"},  {7, "中１", "中1", "Ⅰ"},  {9, "中３", "中3", "Ⅲ"},
        {10, "高１", "高1", "　"}, {11, "", "高2", "　"},  {12, "", "高3", "　"},     {13, "", "大+", "　"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.g);
        EXPECT_EQ(gradeText(c.g), QString::fromUtf8(c.text));
        EXPECT_EQ(stageLabel(c.g), QString::fromUtf8(c.label));
        EXPECT_EQ(GradeMark(c.g), QString::fromUtf8(c.mark));
    }
}

TEST(Grades, Filters)
{
    EXPECT_EQ(gradeFilters().size(), 12);
    EXPECT_EQ(gradeFilters().first(), QStringLiteral("全学年"));
    EXPECT_EQ(gradeFilters().last(), QStringLiteral("小１"));
    struct Case {
        const char* filter;
        std::vector<int> passing;  // of the grade indexes -1..12
    };
    const Case cases[] = {
        {"全学年", {-1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
        {"小学生全体", {1, 2, 3, 4, 5, 6}},
        {"中学生全体", {7, 8, 9}},
        {"小１", {1}},
        {"小６", {6}},
        {"中１", {7}},
        {"中３", {9}},
        {"高１", {}},
        {"", {}},
    };
    for (const Case& c : cases) {
        for (int g = -1; g <= 12; ++g) {
            const bool expected = std::find(c.passing.begin(), c.passing.end(), g) != c.passing.end();
            EXPECT_EQ(PassesGradeFilter(QString::fromUtf8(c.filter), g), expected) << c.filter << " G=" << g;
        }
    }
}

class RosterLoading : public RosterFixture {};

TEST_F(RosterLoading, GradeOnTheLastAndFirstDayOfTheSchoolYear)
{
    writeRoster({line(1, 2016, QStringLiteral("山田太郎"))});
    fake.clock.current = QDateTime(QDate(2024, 3, 31), QTime(23, 0));
    ASSERT_EQ(LoadRoster(), RosterLoad::Ok);
    EXPECT_EQ(state().SchoolYear.toInt(), 2023);
    EXPECT_EQ(GradeIndex(2016), 1);
    EXPECT_EQ(state().PupilGrades[1], QStringLiteral("小１"));

    fake.clock.current = QDateTime(QDate(2024, 4, 1), QTime(8, 0));
    ASSERT_EQ(LoadRoster(), RosterLoad::Ok);
    EXPECT_EQ(state().SchoolYear.toInt(), 2024);
    EXPECT_EQ(state().PupilGrades[1], QStringLiteral("小２"));
}

TEST_F(RosterLoading, TablesAndListedEntries)
{
    writeRoster({
        line(12, bornFor(4), QStringLiteral("山田太郎")),
        line(7, bornFor(8), QStringLiteral("休会中子"), 1),
        QStringLiteral("4321,%1,3,4,\"佐藤, 花子\",0,メモ,備考").arg(bornFor(1)),
        line(30, bornFor(11), QStringLiteral("高校二年")),
    });
    ASSERT_EQ(LoadRoster(), RosterLoad::Ok);
    const ProgramState& s = state();
    ASSERT_EQ(s.RosterCount.toInt(), 3);
    EXPECT_EQ(s.RosterOrder[1], 12);
    EXPECT_EQ(s.RosterOrder[2], 4321);
    EXPECT_EQ(s.RosterOrder[3], 30);
    ASSERT_EQ(s.RosterEntries.size(), 4u);
    const RosterEntry& e = s.RosterEntries[2];
    EXPECT_EQ(e.number, 4321);
    EXPECT_EQ(e.field3, 3);
    EXPECT_EQ(e.field4, 4);
    EXPECT_EQ(e.name, QStringLiteral("佐藤, 花子") + QString(14, QLatin1Char(' ')));
    EXPECT_EQ(e.field7.trimmed(), QStringLiteral("メモ"));
    EXPECT_EQ(e.field8.size(), 20);

    // Status 1: known by number, not listed.
    EXPECT_EQ(s.PupilNames[7], QStringLiteral("休会中子") + QString(16, QLatin1Char(' ')));
    EXPECT_EQ(s.PupilGrades[7], QStringLiteral("中２"));
    EXPECT_EQ(s.PupilBirthYears[4321], bornFor(1));
    // Grade index 11: no grade text.
    EXPECT_EQ(s.PupilGrades[30], QString());
}

TEST_F(RosterLoading, StatusTwoIsListedOnlyWithTheResetRule)
{
    writeRoster({line(1, bornFor(3), QStringLiteral("一")), line(2, bornFor(3), QStringLiteral("二"), 2)});
    for (int reset : {0, 1}) {
        SCOPED_TRACE(reset);
        state().RosterStatusReset = Loose(reset);
        ASSERT_EQ(LoadRoster(), RosterLoad::Ok);
        EXPECT_EQ(state().RosterCount.toInt(), reset ? 2 : 1);
        EXPECT_FALSE(state().PupilNames[2].trimmed().isEmpty());
    }
}

TEST_F(RosterLoading, LongNamesAreCutAndNumbersOutsideTheTablesSkipped)
{
    writeRoster({
        line(0, bornFor(2), QStringLiteral("番号なし")),
        line(5001, bornFor(2), QStringLiteral("大きすぎる")),
        line(-4, bornFor(2), QStringLiteral("負の番号")),
        line(5000, bornFor(2), QStringLiteral("あいうえおかきくけこさしすせそたちつてとなにぬ")),
        line(3, bornFor(2), QStringLiteral("最後")),
    });
    ASSERT_EQ(LoadRoster(), RosterLoad::Ok);
    const ProgramState& s = state();
    ASSERT_EQ(s.RosterCount.toInt(), 2);
    EXPECT_EQ(s.RosterOrder[1], 5000);
    EXPECT_EQ(s.RosterOrder[2], 3);
    EXPECT_EQ(s.PupilNames[5000], QStringLiteral("あいうえおかきくけこさしすせそたちつてと"));
    EXPECT_TRUE(s.PupilNames[0].isEmpty());
}

TEST_F(RosterLoading, ARosterEndingInsideALineKeepsTheEntry)
{
    dir.writeCp932(QStringLiteral("新名簿.txt"),
                   line(1, bornFor(5), QStringLiteral("一")) + QStringLiteral("\r\n2,%1,0,0,途中").arg(bornFor(5)));
    ASSERT_EQ(LoadRoster(), RosterLoad::Ok);
    EXPECT_EQ(state().RosterCount.toInt(), 2);
    EXPECT_EQ(state().PupilNames[2].trimmed(), QStringLiteral("途中"));
}

TEST_F(RosterLoading, MissingFile)
{
    EXPECT_EQ(LoadRoster(), RosterLoad::Missing);
    dir.mkdir(QStringLiteral("新名簿.txt"));  // a folder where the file should be
    EXPECT_EQ(LoadRoster(), RosterLoad::Unreadable);
}
