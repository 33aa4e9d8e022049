// The lines of the name list, its order, its filter and its retry rule.
#include "RosterFixture.h"
#include "Runs.h"
#include "platform/Calendar.h"
#include "records/ResultsFile.h"
#include "roster/NameList.h"
#include "roster/Roster.h"

using namespace karuvel;
using namespace karuvel::test;

namespace {
const QString S = QStringLiteral("　");  // one ideographic space
QString blanks(int n) { return QString(n, QLatin1Char(' ')); }
} // namespace

TEST(NameListLine, EachKindOfFiguresAndZeroesAsBlanks)
{
    const NameFigures some{3, 45, 12, 450};
    const NameFigures none{};
    const QString head = QStringLiteral("2016小4 山田太郎") + S + S;  // 7 characters, padded to 9
    struct Case {
        int mode;
        NameFigures f;
        QString figures;
    };
    const Case cases[] = {
        {0, some, QStringLiteral("  3回/   12回")},
        {1, some, QStringLiteral("  45/    450")},
        {2, some, QStringLiteral("  45/  3回")},
        {3, some, QStringLiteral("    450/   12回")},
        {0, none, blanks(5) + QStringLiteral("/") + blanks(5) + S},
        {1, none, blanks(2) + S + QStringLiteral("/") + blanks(7)},
        {2, none, blanks(2) + S + QStringLiteral("/") + blanks(5)},
        {3, none, blanks(7) + QStringLiteral("/") + blanks(5) + S},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        EXPECT_EQ(nameListLine(2016, 4, QStringLiteral("山田太郎") + blanks(16), c.f, c.mode, 123),
                  head + c.figures + QStringLiteral("*123"));
    }
}

TEST(NameListLine, PaddingWidths)
{
    const NameFigures none{};
    auto padding = [](const QString& line) { return line.count(QChar(0x3000)); };
    // Up to grade index 0 the padding is wider, except for the points figures.
    EXPECT_EQ(padding(nameListLine(2020, 0, QStringLiteral("小さい子"), none, 0, 1)) - 1, 11 - 7);
    EXPECT_EQ(padding(nameListLine(2020, 0, QStringLiteral("小さい子"), none, 1, 1)) - 1, 9 - 7);
    // A name too long for the padding gets none (and the line is still built).
    const QString longLine = nameListLine(2016, 4, QStringLiteral("寿限無寿限無五劫"), none, 1, 77);
    EXPECT_EQ(longLine, QStringLiteral("2016小4 寿限無寿限無五劫") + blanks(2) + S + QStringLiteral("/") + blanks(7) +
                            QStringLiteral("*77"));
    // A figure too wide for its column is shown whole.
    EXPECT_EQ(allPointsText(12345678), QStringLiteral("12345678"));
    EXPECT_EQ(todayRunsText(1500), QStringLiteral("1500回"));
}

class NameListBuild : public RosterFixture {
protected:
    void SetUp() override
    {
        RosterFixture::SetUp();
        writeRoster({
            line(1, bornFor(4), QStringLiteral("い四年")),
            line(2, bornFor(8), QStringLiteral("中二")),
            line(4321, bornFor(1), QStringLiteral("一年")),
            line(3, bornFor(4), QStringLiteral("あ四年")),
            line(5, bornFor(7), QStringLiteral("休み"), 1),
            line(6, bornFor(10), QStringLiteral("高校")),
            line(8, bornFor(9), QStringLiteral("中三")),
        });
        ASSERT_EQ(LoadRoster(), RosterLoad::Ok);
    }
    static QStringList names(const NameList& l)
    {
        QStringList out;
        for (const QString& line : l.shown.mid(1)) out << line.mid(3).section(QChar(0x3000), 0, 0).trimmed();
        return out;
    }
};

TEST_F(NameListBuild, BornLaterFirstWithTheHiddenNumbersAlongside)
{
    ProgramState& s = state();
    s.TodayCount(1, 4321) = 1;
    s.TodayCount(9, 4321) = 2;
    s.TodayPoints(3, 4321) = 40;
    s.TotalPoints(1, 4321) = 100;
    s.TotalPoints(35, 4321) = 23;
    const NameList l = arrangeNameList(1, QStringLiteral("全学年"));
    ASSERT_EQ(l.shown.size(), 7);
    EXPECT_EQ(l.shown[0], QStringLiteral("－－－－－－"));
    // Within one year the working list's order is walked backwards.
    EXPECT_EQ(names(l), (QStringList{"一年", "い四年", "あ四年", "中二", "中三", "高校"}));
    ASSERT_EQ(l.numbers.size(), l.shown.size() - 1);
    EXPECT_EQ(l.shown[1], QStringLiteral("小1 一年") + S + S + S + S + QStringLiteral("  40/    123"));
    EXPECT_EQ(l.numbers[0], l.shown[1] + QStringLiteral("*4321"));
    EXPECT_EQ(numberOfHiddenLine(l.numbers[0]), 4321);
    EXPECT_EQ(numberOfHiddenLine(l.numbers[5]), 6);
}

TEST_F(NameListBuild, GradeFilterKeepsTheHeadLine)
{
    struct Case {
        const char* filter;
        QStringList names;
    };
    const Case cases[] = {
        {"中学生全体", {"中二", "中三"}},
        {"小学生全体", {"一年", "い四年", "あ四年"}},
        {"小４", {"い四年", "あ四年"}},
        {"中１", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filter);
        const NameList l = arrangeNameList(0, QString::fromUtf8(c.filter));
        EXPECT_EQ(l.shown.value(0), QStringLiteral("－－－－－－"));
        EXPECT_EQ(names(l), c.names);
        EXPECT_EQ(l.numbers.size(), c.names.size());
    }
}

TEST_F(NameListBuild, RecountedFiguresShowInTheLines)
{
    // Two runs of pupil 1 today on level 1 (target 60): 45 s gives 5 points, 200 s gives 1.
    const double today = toOleDate(QDate(2026, 12, 10));
    dir.writeBytes(QStringLiteral("data/成績累積データ.dat"), test::runsBytes({{today, 1, 1, 45}, {today, 1, 1, 200}}));
    const NameList l = buildNameList(0, QStringLiteral("小４"));
    ASSERT_EQ(l.shown.size(), 3);
    EXPECT_TRUE(l.shown[1].endsWith(QStringLiteral("  2回/    2回"))) << l.shown[1].toStdString();
    EXPECT_EQ(fake.clock.waitedMs, 0);
}

// A journal beside the results file that was not made for it (here one of an
// older program, which names no file) is never copied over the runs: it is
// set aside, and the screen says so once, naming where it went.
TEST_F(NameListBuild, AJournalNotMadeForTheResultsFileIsSetAsideAndToldOnce)
{
    const double today = toOleDate(QDate(2026, 12, 10));
    const QByteArray runs = test::runsBytes({{today, 1, 1, 45}, {today, 1, 1, 200}});
    dir.writeBytes(QStringLiteral("data/成績累積データ.dat"), runs);
    const QByteArray one = runs.left(44);
    QByteArray journal("Karuvel rewrite\n", 16);
    for (const uint64_t v : {uint64_t(one.size()), uint64_t(0)})
        for (int i = 0; i < 8; ++i) journal += char((v >> (8 * i)) & 0xff);
    dir.writeBytes(QStringLiteral("data/成績累積データ.dat.rewrite"), journal + one);

    NameList l = buildNameList(0, QStringLiteral("小４"));
    ASSERT_EQ(l.shown.size(), 3);
    EXPECT_TRUE(l.shown[1].endsWith(QStringLiteral("  2回/    2回"))) << l.shown[1].toStdString();
    ASSERT_EQ(fake.messages.shown.size(), 1);
    EXPECT_TRUE(fake.messages.shown[0].second.contains(QStringLiteral("成績累積データ.dat.rewrite.未適用-")))
        << fake.messages.shown[0].second.toStdString();
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("data/成績累積データ.dat.rewrite"))));
    l = buildNameList(0, QStringLiteral("小４"));
    EXPECT_EQ(fake.messages.shown.size(), 1);
}

TEST_F(NameListBuild, MissingRosterIsWaitedFor)
{
    QFile::rename(dir.file(QStringLiteral("新名簿.txt")), dir.file(QStringLiteral("moved.txt")));
    int waits = 0;
    fake.clock.onWait = [&](int) {
        if (++waits == 2) QFile::rename(dir.file(QStringLiteral("moved.txt")), dir.file(QStringLiteral("新名簿.txt")));
    };
    int covers = 0;
    int retries = -1;
    const NameList l = buildNameList(1, QStringLiteral("全学年"), [&] { ++covers; }, &retries);
    EXPECT_EQ(retries, 2);
    EXPECT_EQ(covers, 2);
    EXPECT_EQ(fake.clock.waitedMs, 10000);
    EXPECT_EQ(l.shown.size(), 7);
    EXPECT_TRUE(fake.messages.shown.isEmpty());
}

TEST_F(NameListBuild, SixFailuresEndTheProgramWithAMessage)
{
    QFile::remove(dir.file(QStringLiteral("新名簿.txt")));
    int retries = 0;
    EXPECT_THROW(buildNameList(1, QStringLiteral("全学年"), {}, &retries), ProgramEnded);
    EXPECT_EQ(retries, 6);
    EXPECT_EQ(fake.clock.waitedMs, 30000);
    ASSERT_EQ(fake.messages.shown.size(), 1);
    const QString text = fake.messages.shown[0].second;
    EXPECT_TRUE(text.startsWith(QStringLiteral("名簿表示 4"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("新名簿.txt")));
    EXPECT_TRUE(text.contains(QStringLiteral("53")));
    EXPECT_NE(fake.programEnd.lastCode, 0);
}
