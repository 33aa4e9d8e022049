// The records manager's lines, count label, date texts and edit boxes,
// without a screen.
#include "Fakes.h"
#include "Runs.h"
#include "TempDir.h"
#include "admin/RecordLines.h"
#include "platform/Calendar.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

using namespace karuvel;

namespace {

const double kDec10 = toOleDate(QDate(2026, 12, 10));

double clockOf(int h, int m, int s) { return (h * 3600 + m * 60 + s) / 86400.0; }

ResultRecordData run(int pupil, int level, int time, const char* code, double clock = clockOf(9, 5, 3))
{
    ResultRecordData r = test::runRecord(kDec10, clock, pupil, level, time);
    r.schoolCode = QByteArray(code, 5);
    return r;
}

PupilBook smallBook()
{
    PupilBook b;
    b.PupilNameByNumber[7] = QStringLiteral("青木");
    b.GradeLabelByNumber[7] = QStringLiteral("小４");
    b.PupilNameByNumber[12] = QStringLiteral("長谷川ひかりさん");  // 8 characters, no grade label
    return b;
}

QByteArray bytesOf(const std::vector<ResultRecordData>& records)
{
    QByteArray out;
    for (const ResultRecordData& r : records) {
        const auto b = r.toBytes();
        out.append(b.data(), kRecordSize);
    }
    return out;
}

} // namespace

TEST(RecordLineText, GoldenLines)
{
    const PupilBook book = smallBook();
    struct Case {
        int number;
        ResultRecordData record;
        QString schoolCode;
        QString expected;
    } cases[] = {
        // Own school: the school's name at the end.
        {1, run(7, 3, 45, "12345"), QStringLiteral("12345"),
         QStringLiteral("   1 2026/12/10　  9:05:03 ﾚﾍﾞﾙ 3　    45秒 　   7 青木　　　　 小４++みどり塾")},
        // Another school's code: "他塾".
        {2, run(7, 3, 45, "99999"), QStringLiteral("12345"),
         QStringLiteral("   2 2026/12/10　  9:05:03 ﾚﾍﾞﾙ 3　    45秒 　   7 青木　　　　 小４++他塾")},
        // A school without a code: its runs carry five blanks and are its own.
        {3, run(7, 3, 45, "     "), QString(),
         QStringLiteral("   3 2026/12/10　  9:05:03 ﾚﾍﾞﾙ 3　    45秒 　   7 青木　　　　 小４++みどり塾")},
        // A pupil not in the roster: five ideographic blanks, no grade label;
        // a time over in words, as wide as a time.
        {4, run(99, 12, 99999, "12345", clockOf(10, 0, 0)), QStringLiteral("12345"),
         QStringLiteral("   4 2026/12/10　 10:00:00 ﾚﾍﾞﾙ12　時間切れ 　  99 　　　　　 ++みどり塾")},
        // A long name cut to 6 characters, no grade label; a number wider
        // than 4 digits shown whole.
        {12345, run(12, 1, 7, "12345"), QStringLiteral("12345"),
         QStringLiteral("12345 2026/12/10　  9:05:03 ﾚﾍﾞﾙ 1　     7秒 　  12 長谷川ひかり ++みどり塾")},
        // A damaged record: pupil and level outside every table are shown, not looked up.
        {5, run(-3, -7, 5, "12345"), QStringLiteral("12345"),
         QStringLiteral("   5 2026/12/10　  9:05:03 ﾚﾍﾞﾙ-7　     5秒 　  -3 　　　　　 ++みどり塾")},
    };
    for (const Case& c : cases) {
        const QByteArray own = schoolCodeField(c.schoolCode);
        EXPECT_EQ(recordLineText(c.number, c.record, book, own, QStringLiteral("みどり塾")), c.expected)
            << c.number;
        // The list builds the same text from the stored bytes.
        const QByteArray bytes = bytesOf({c.record});
        const RecordLines lines =
            buildRecordLines(bytes.constData(), 1, book, c.schoolCode, QStringLiteral("みどり塾"));
        ASSERT_EQ(lines.size(), 1);
        EXPECT_EQ(lines.text(0), recordLineText(1, c.record, book, own, QStringLiteral("みどり塾")));
    }
}

TEST(RecordLineText, DateAndTimeAsThePlatformWritesThem)
{
    struct Case {
        double value;
        const char* text;
    } cases[] = {
        {kDec10, "2026/12/10"},
        {toOleDate(QDate(2027, 1, 5)), "2027/01/05"},
        {clockOf(9, 5, 3), "9:05:03"},
        {clockOf(23, 59, 59), "23:59:59"},
        {0, "0:00:00"},
        {kDec10 + 0.5, "2026/12/10 12:00:00"},
        {-1.25, "1899/12/29 6:00:00"},
        {clockOf(23, 59, 59) + 0.9 / 86400, "1899/12/31"},  // rounds up to the next day
    };
    for (const Case& c : cases) EXPECT_EQ(oleDateTimeText(c.value), QString::fromUtf8(c.text)) << c.value;
    // A value no calendar holds (a damaged record) is shown as its number, never a crash.
    EXPECT_EQ(oleDateTimeText(1e300), QStringLiteral("1e+300"));
    EXPECT_FALSE(oleDateTimeText(std::numeric_limits<double>::quiet_NaN()).isEmpty());
}

TEST(RecordLines, LevelZeroIsNotListedAndLinesKeepTheirRecordNumbers)
{
    const QByteArray bytes = bytesOf({run(7, 3, 45, "12345"), run(7, 0, 50, "12345"), run(7, 5, 60, "12345"),
                                      run(7, 0, 1, "12345"), run(7, 6, 70, "12345")});
    const RecordLines lines =
        buildRecordLines(bytes.constData(), 5, smallBook(), QStringLiteral("12345"), QStringLiteral("塾"));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines.numbers, (std::vector<int>{1, 3, 5}));
    EXPECT_TRUE(lines.text(1).startsWith(QStringLiteral("   3 ")));
    EXPECT_EQ(std::memcmp(lines.bytes(1).data(), bytes.constData() + 2 * kRecordSize, kRecordSize), 0);
    EXPECT_EQ(lines.lineOfRecord(3), 1);
    EXPECT_EQ(lines.lineOfRecord(2), -1);
    EXPECT_EQ(lines.lineAtOrAfter(2), 1);  // the next listed record
    EXPECT_EQ(lines.lineAtOrAfter(6), 2);  // past the end: the last line
    EXPECT_EQ(RecordLines{}.lineAtOrAfter(1), -1);
}

TEST(RecordLines, ListKeepsRecordOrderBeyond9999)
{
    std::vector<ResultRecordData> records(10001, run(7, 1, 30, "12345"));
    const QByteArray bytes = bytesOf(records);
    const RecordLines lines =
        buildRecordLines(bytes.constData(), 10001, smallBook(), QStringLiteral("12345"), QStringLiteral("塾"));
    ASSERT_EQ(lines.size(), 10001);
    // Every number as wide as the file's highest: the columns after it stay in place.
    EXPECT_TRUE(lines.text(0).startsWith(QStringLiteral("    1 2026/12/10")));
    EXPECT_TRUE(lines.text(9998).startsWith(QStringLiteral(" 9999 2026/12/10")));
    EXPECT_TRUE(lines.text(9999).startsWith(QStringLiteral("10000 2026/12/10")));
    EXPECT_TRUE(lines.text(10000).startsWith(QStringLiteral("10001 2026/12/10")));
    EXPECT_EQ(lines.text(0).size(), lines.text(10000).size());
}

// A school's file of a million runs: the seven-digit numbers take their
// column in every line the filter shows, the first line's too.
TEST(RecordLines, SevenDigitNumbersKeepTheColumns)
{
    const QByteArray one = bytesOf({run(7, 3, 45, "12345")});
    auto held = std::make_shared<std::vector<char>>();
    held->reserve(size_t(1234567) * kRecordSize);
    for (int i = 0; i < 1234567; ++i) held->insert(held->end(), one.begin(), one.end());
    const RecordLines lines =
        makeRecordLines(held, {1234567, 45678, 9, 1}, smallBook(), QStringLiteral("12345"), QStringLiteral("塾"));
    ASSERT_EQ(lines.size(), 4);
    const qsizetype dateAt = lines.text(0).indexOf(QStringLiteral("2026/12/10"));
    EXPECT_EQ(dateAt, 8);
    for (int i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines.text(i).indexOf(QStringLiteral("2026/12/10")), dateAt) << lines.text(i).toStdString();
        EXPECT_EQ(lines.text(i).size(), lines.text(0).size());
    }
    EXPECT_TRUE(lines.text(2).startsWith(QStringLiteral("      9 ")));
}

TEST(RecordLines, ColumnsStayInPlaceForTwoDigitLevelsAndTimeOvers)
{
    const PupilBook book = smallBook();
    const QByteArray own = schoolCodeField(QStringLiteral("12345"));
    const QString a = recordLineText(1, run(7, 3, 45, "12345"), book, own, QStringLiteral("塾"));
    const QString b = recordLineText(2, run(7, 12, 45, "12345"), book, own, QStringLiteral("塾"));
    const QString c = recordLineText(3, run(7, 5, kTimeOver, "12345"), book, own, QStringLiteral("塾"));
    EXPECT_EQ(halfWidths(a), halfWidths(b));
    EXPECT_EQ(halfWidths(a), halfWidths(c));
    EXPECT_EQ(halfWidths(a.left(a.indexOf(QStringLiteral("青木")))), halfWidths(c.left(c.indexOf(QStringLiteral("青木")))));
    EXPECT_FALSE(c.contains(QStringLiteral("99999")));
}

// The list's filters and order, on a small file whose runs came in out of
// order (a PC whose clock was behind appended late).
TEST(RecordFilters, PupilLevelDaysTimeOverAndNewestFirst)
{
    auto at = [](int pupil, int level, int time, int day, double clock = clockOf(9, 0, 0)) {
        ResultRecordData r = test::runRecord(kDec10 + day, clock, pupil, level, time);
        r.schoolCode = QByteArray("12345", 5);
        return r;
    };
    const std::vector<ResultRecordData> records = {
        at(7, 1, 40, -10),                   // 1
        at(7, 2, kTimeOver, -3),             // 2
        at(12, 1, 50, -3),                   // 3
        at(7, 0, 50, -2),                    // 4: level 0, never listed
        at(7, 1, 35, -3, clockOf(8, 0, 0)),  // 5: appended late, earlier that day
        at(12, 11, 90, 0),                   // 6
    };
    const QByteArray bytes = bytesOf(records);
    const char* p = bytes.constData();
    EXPECT_EQ(listedRecords(p, 6, RecordOrder::FileOrder), (std::vector<int>{1, 2, 3, 5, 6}));
    const std::vector<int> newest = listedRecords(p, 6, RecordOrder::NewestFirst);
    EXPECT_EQ(newest, (std::vector<int>{6, 3, 2, 5, 1}));

    struct Case {
        const char* what;
        RecordFilter filter;
        std::vector<int> shown;
    };
    auto filter = [](int pupil, int level, QDate from, QDate to, RecordFilter::TimeOver t) {
        RecordFilter f;
        f.pupil = pupil;
        f.level = level;
        f.from = from;
        f.to = to;
        f.timeOver = t;
        return f;
    };
    using T = RecordFilter::TimeOver;
    const QDate dec7(2026, 12, 7), dec10(2026, 12, 10);
    const Case cases[] = {
        {"no filter", {}, {6, 3, 2, 5, 1}},
        {"one pupil", filter(7, 0, {}, {}, T::Any), {2, 5, 1}},
        {"one level", filter(0, 1, {}, {}, T::Any), {3, 5, 1}},
        {"a two-digit level is not level 1", filter(0, 11, {}, {}, T::Any), {6}},
        {"the days from Dec 7 to Dec 10, both included", filter(0, 0, dec7, dec10, T::Any), {6, 3, 2, 5}},
        {"one day", filter(0, 0, dec7, dec7, T::Any), {3, 2, 5}},
        {"from a day on", filter(0, 0, dec10, {}, T::Any), {6}},
        {"time-overs only", filter(0, 0, {}, {}, T::Only), {2}},
        {"without time-overs", filter(7, 0, {}, {}, T::Without), {5, 1}},
        {"nothing matches", filter(12, 2, {}, {}, T::Any), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(filteredRecords(p, newest, c.filter), c.shown);
    }
    // The lines made for a filter stand for their records.
    auto held = std::make_shared<const std::vector<char>>(p, p + bytes.size());
    const RecordLines lines = makeRecordLines(held, filteredRecords(p, newest, filter(7, 0, {}, {}, T::Any)),
                                              smallBook(), QStringLiteral("12345"), QStringLiteral("塾"));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines.text(0).startsWith(QStringLiteral("   2 2026/12/07")));
    EXPECT_TRUE(lines.text(0).contains(QStringLiteral("時間切れ")));
    EXPECT_EQ(lines.lineOfRecord(5), 1);
    EXPECT_EQ(lines.lineAtOrAfter(3), 1);   // record 3 is not shown: the next shown after it, 5
    EXPECT_EQ(lines.lineAtOrAfter(9), 1);   // past every number: the highest shown, 5
}

TEST(RecordFilters, OneDayOfOnePupil)
{
    auto at = [](int pupil, int day, double clock) { return test::runRecord(kDec10 + day, clock, pupil, 1, 30); };
    const QByteArray bytes = bytesOf({at(7, 0, 0.4), at(12, 0, 0.41), at(7, -1, 0.9), at(7, 0, 0.8), at(7, 1, 0.1)});
    EXPECT_EQ(sameDayRuns(bytes.constData(), 5, 7, kDec10 + 0.8), (std::vector<int>{1, 4}));
    EXPECT_EQ(sameDayRuns(bytes.constData(), 5, 12, kDec10), (std::vector<int>{2}));
    EXPECT_TRUE(sameDayRuns(bytes.constData(), 5, 3, kDec10).empty());
}

TEST(RecordLines, CountLabelIsFileLengthOver44)
{
    EXPECT_EQ(recordCountText(0), QStringLiteral("総レコード数:0"));
    EXPECT_EQ(recordCountText(3 * 44), QStringLiteral("総レコード数:3"));
    // A torn last record shows as a fraction.
    EXPECT_EQ(recordCountText(66), QStringLiteral("総レコード数:1.5"));
}

TEST(RecordLines, SchoolCodeFieldIsFiveBytesAsRunsCarryIt)
{
    EXPECT_EQ(schoolCodeField(QString()), QByteArray("     "));
    EXPECT_EQ(schoolCodeField(QStringLiteral("123")), QByteArray("123  "));
    EXPECT_EQ(schoolCodeField(QStringLiteral("1234567")), QByteArray("12345"));
    // Never half a double-byte character.
    EXPECT_EQ(schoolCodeField(QStringLiteral("12塾塾")), encodeCp932(QStringLiteral("12塾")) + QByteArray(" "));
}

TEST(EditBoxes, TimeBoxAndPupilChooser)
{
    struct TimeCase {
        const char* text;
        bool ok;
        int32_t seconds;
    } times[] = {
        {"45", true, 45},       {"４５", true, 45},      {"　４５ ", true, 45},   {"45秒", true, 45},
        {"0", true, 0},         {"99999", true, 99999},  {"９９９９９", true, 99999},
        // Never a time the teacher did not type: text, nothing, parts, signs and out of range refused.
        {"abc", false, 0},      {"", false, 0},          {"12abc", false, 0},     {" 12.5", false, 0},
        {"13.5", false, 0},     {"-1", false, 0},        {"100000", false, 0},    {"1e30", false, 0},
    };
    for (const TimeCase& c : times) {
        int32_t seconds = -5;
        EXPECT_EQ(timeFromBox(QString::fromUtf8(c.text), &seconds), c.ok) << c.text;
        if (c.ok) EXPECT_EQ(seconds, c.seconds) << c.text;
    }
    struct PupilCase {
        const char* text;
        bool ok;
        int pupil;
    } pupils[] = {
        {"7 /  青木", true, 7},  {"5000 /  x", true, 5000}, {"2.5 / x", true, 2}, {"青木", false, 0},
        {"7", false, 0},         {"/  青木", false, 0},     {"0 /  x", false, 0}, {"5001 /  x", false, 0},
        {"-4 /  x", false, 0},   {"99999999999 /", false, 0},
    };
    for (const PupilCase& c : pupils) {
        int pupil = -5;
        EXPECT_EQ(pupilFromChooser(QString::fromUtf8(c.text), &pupil), c.ok) << c.text;
        if (c.ok) EXPECT_EQ(pupil, c.pupil) << c.text;
    }
}

TEST(PupilBookFromRoster, NamesLabelsAndChooserFromEveryLine)
{
    test::FakePlatform fakes;
    test::TempDir dir;
    // School year 2026: born 2016 = grade 4; 2008 = grade 12 (no label);
    // status 1 (not listed by name selection) still names its runs.
    dir.writeCp932(QStringLiteral("新名簿.txt"), QStringLiteral("7,2016,0,0,青木 太郎  ,0,,\r\n"
                                                               "12,2008,0,0,上田,1,,\r\n"
                                                               "6000,2016,0,0,外れ,0,,\r\n"
                                                               "3,2020,0,0,\"小川, 花\",0,,\r\n"));
    PupilBook book;
    ASSERT_EQ(readPupilBook(dir.file(QStringLiteral("新名簿.txt")), 2026, &book), PupilBookRead::Ok);
    EXPECT_EQ(book.nameOf(7), QStringLiteral("青木 太郎"));
    EXPECT_EQ(book.gradeLabelOf(7), QStringLiteral("小４"));
    EXPECT_EQ(book.nameOf(12), QStringLiteral("上田"));
    EXPECT_EQ(book.gradeLabelOf(12), QString());
    EXPECT_EQ(book.gradeLabelOf(3), QStringLiteral("幼３"));
    EXPECT_EQ(book.nameOf(6000), QString());
    EXPECT_EQ(book.chooserEntries, (QStringList{QStringLiteral("7 /  青木 太郎"), QStringLiteral("12 /  上田"),
                                                QStringLiteral("3 /  小川, 花")}));
    EXPECT_EQ(readPupilBook(dir.file(QStringLiteral("無い.txt")), 2026, &book), PupilBookRead::Missing);
    EXPECT_TRUE(book.chooserEntries.isEmpty());
}
