// "CSVに書き出し": every stored run read back from the file a spreadsheet
// gets, in both encodings.
#include "Fakes.h"
#include "Runs.h"
#include "TempDir.h"
#include "admin/RecordsCsv.h"
#include "platform/Calendar.h"
#include "platform/Cp932.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <cmath>

using namespace karuvel;

namespace {

const double kDec10 = toOleDate(QDate(2026, 12, 10));

// A CSV reader as a spreadsheet reads: quoted fields may hold commas, quotes
// (doubled) and line ends; lines end with CR LF.
std::vector<QStringList> readCsv(const QString& text)
{
    std::vector<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            row << field;
            field.clear();
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            row << field;
            field.clear();
            rows.push_back(row);
            row.clear();
            ++i;
        } else {
            field += c;
        }
    }
    EXPECT_TRUE(field.isEmpty() && row.isEmpty()) << "the last line has no line end";
    return rows;
}

class RecordsCsv : public ::testing::Test {
protected:
    test::FakePlatform fakes;
    test::TempDir dir;
    ProgramState& s = state();
    PupilBook book;
    std::vector<ResultRecordData> records;

    void SetUp() override
    {
        s.SchoolCode = Loose(QStringLiteral("12345"));
        s.SchoolName = QStringLiteral("みどり塾");
        s.LevelCount = 2;
        s.LevelNames[1] = QStringLiteral("川１");
        s.LevelNames[2] = QStringLiteral("川２");
        test::setLevelCriteria(2, {.target = 60, .multiplier = 1.5f});
        book.PupilNameByNumber[7] = QStringLiteral("青木");
        book.GradeLabelByNumber[7] = QStringLiteral("小４");
        book.PupilNameByNumber[8] = QStringLiteral("\"のぞみ\", 上田");  // a quote and a comma in the name
        book.GradeLabelByNumber[8] = QStringLiteral("中１");

        const auto run = [&](double date, double clock, int pupil, int level, int time, const char* code) {
            ResultRecordData r = test::runRecord(date, clock, pupil, level, time);
            r.schoolCode = QByteArray(code, 5);
            records.push_back(r);
        };
        run(kDec10, (9 * 3600 + 5 * 60 + 3) / 86400.0, 7, 1, 45, "12345");
        run(kDec10 - 400, (23 * 3600 + 59 * 60 + 59) / 86400.0, 8, 2, 99999, "12345");  // time over
        run(kDec10, 0.5, 7, 0, 30, "12345");      // level 0: not a run, not listed
        run(kDec10 + 1, 0.25, 9, 2, 130, "99999");  // another school's run, a pupil not on the roster
        run(-7.5, 2.0, 7, 40, 12, "12345");        // a damaged record: its numbers as they are
    }

    QByteArray bytes() const
    {
        QByteArray b;
        for (const auto& r : records) b.append(r.toBytes().data(), kRecordSize);
        return b;
    }
    QString text() const { return recordsCsvText(bytes().constData(), int64_t(records.size()), book, s); }
};

} // namespace

TEST_F(RecordsCsv, EveryFieldOfEveryRunReadsBack)
{
    const std::vector<QStringList> rows = readCsv(text());
    ASSERT_EQ(rows.size(), 5u);  // the heading and four runs
    EXPECT_EQ(rows[0], recordsCsvHeadings());
    for (const QStringList& row : rows) EXPECT_EQ(row.size(), rows[0].size());

    const std::vector<QStringList> expected = {
        {"1", "2026/12/10", "09:05:03", "7", "青木", "小４", "1", "川１", "45", "", "7", "=\"12345\"", "みどり塾"},
        {"2", "2025/11/05", "23:59:59", "8", "\"のぞみ\", 上田", "中１", "2", "川２", "99999", "時間切れ", "0", "=\"12345\"",
         "みどり塾"},
        {"4", "2026/12/11", "06:00:00", "9", "", "", "2", "川２", "130", "", "1", "=\"99999\"", "他塾"},
        {"5", "-7.5", "2", "7", "青木", "小４", "40", "", "12", "", "", "=\"12345\"", "みどり塾"},
    };
    for (size_t k = 0; k < expected.size(); ++k) EXPECT_EQ(rows[k + 1], expected[k]) << k;

    // Back to the stored values: the date, the time of day, pupil, level,
    // time and school code of each run are those of its record.
    const int numbers[] = {1, 2, 4};
    for (size_t k = 0; k < 3; ++k) {
        const ResultRecordData& r = records[size_t(numbers[k] - 1)];
        const QStringList& row = rows[k + 1];
        EXPECT_EQ(toOleDate(QDate::fromString(row[1], QStringLiteral("yyyy/MM/dd"))), r.date);
        const QTime t = QTime::fromString(row[2], QStringLiteral("HH:mm:ss"));
        EXPECT_NEAR(t.msecsSinceStartOfDay() / 86400000.0, r.clock, 0.5 / 86400);
        EXPECT_EQ(row[3].toInt(), r.pupil);
        EXPECT_EQ(row[6].toInt(), r.level);
        EXPECT_EQ(row[8].toInt(), r.time);
        EXPECT_EQ(row[11].mid(2).chopped(1).toLatin1(), r.schoolCode);  // ="…" around it
    }
    EXPECT_EQ(rows[4][1].toDouble(), records[4].date);
    EXPECT_EQ(rows[4][2].toDouble(), records[4].clock);
}

TEST_F(RecordsCsv, TheFileOpensAsUtf8WithItsMarkOrAsCp932)
{
    // UTF-8 with the byte-order mark a spreadsheet looks for.
    const QString path = dir.file(recordsCsvFileName(s.SchoolName, QDate(2026, 12, 10)));
    EXPECT_TRUE(path.endsWith(QStringLiteral("みどり塾_成績累積データ_2026-12-10.csv")));
    QString problem;
    ASSERT_TRUE(writeCsvFile(path, encodeCsv(text(), CsvEncoding::Utf8WithBom), &problem));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray utf8 = f.readAll();
    ASSERT_TRUE(utf8.startsWith("\xEF\xBB\xBF"));
    EXPECT_EQ(QString::fromUtf8(utf8.mid(3)), text());

    // Code page 932: the same text; a character it cannot hold is told about.
    bool lossy = true;
    EXPECT_EQ(decodeCp932(encodeCsv(text(), CsvEncoding::Cp932, &lossy)), text());
    EXPECT_FALSE(lossy);
    book.PupilNameByNumber[7] = QStringLiteral("髙橋😀");
    const QString odd = text();
    const QString back = decodeCp932(encodeCsv(odd, CsvEncoding::Cp932, &lossy));
    EXPECT_TRUE(lossy);
    EXPECT_TRUE(back.contains(QStringLiteral("髙橋?")));
    EXPECT_FALSE(encodeCsv(odd, CsvEncoding::Utf8WithBom, &lossy).isEmpty());
    EXPECT_FALSE(lossy);

    // A folder that cannot be written: told, naming the file.
    EXPECT_FALSE(writeCsvFile(dir.file(QStringLiteral("無い/a.csv")), "x", &problem));
    EXPECT_TRUE(problem.contains(QStringLiteral("a.csv")));
}

// A text a spreadsheet would run or convert is written so that the
// spreadsheet shows exactly the text; any other text stays as it is.
TEST(SpreadsheetText, GuardsWhatASpreadsheetWouldRunOrConvert)
{
    const char* const guarded[] = {"=HYPERLINK(\"http://example.invalid/\",\"click\")", "=1+1塾", "+81", "-5", "@SUM(1)",
                                   "00123", "123", "1/2", "2026-1-2", "1月2日", "12:30", "1 1/2", "1e5", "50%", "TRUE",
                                   "false", "０１２", "R6.1.2", "午後1時", "\t1"};
    for (const char* t : guarded) {
        const QString text = QString::fromUtf8(t);
        EXPECT_TRUE(spreadsheetWouldChange(text)) << t;
        QString inner = text;
        inner.replace(QStringLiteral("\""), QStringLiteral("\"\""));
        EXPECT_EQ(spreadsheetText(text), QStringLiteral("=\"") + inner + QStringLiteral("\"")) << t;
    }
    const char* const plain[] = {"青木", "\"のぞみ\", 上田", "小４", "みどり塾", "川１", "他塾", "A組", "3年B組", "", "Mike"};
    for (const char* t : plain) EXPECT_EQ(spreadsheetText(QString::fromUtf8(t)), QString::fromUtf8(t)) << t;
}

// The CSV opened in a real spreadsheet (LibreOffice, without a screen): every
// text shows exactly as stored, nothing is run or converted, and the numbers
// stay numbers. Skipped where LibreOffice is not installed.
TEST_F(RecordsCsv, ASpreadsheetShowsEveryTextExactlyAndRunsNothing)
{
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    const QStringList names = {QStringLiteral("=HYPERLINK(\"http://example.invalid/\",\"click\")"),
                               QStringLiteral("00123"),
                               QStringLiteral("1/2"),
                               QStringLiteral("-5"),
                               QStringLiteral("TRUE"),
                               QStringLiteral("12:30"),
                               QStringLiteral("青木")};
    s.SchoolCode = Loose(QStringLiteral("00123"));
    s.SchoolName = QStringLiteral("=1+1塾");
    records.clear();
    for (int k = 0; k < names.size(); ++k) {
        book.PupilNameByNumber[20 + k] = names[k];
        ResultRecordData r = test::runRecord(kDec10, 0.5, 20 + k, 1, 45 + k);
        r.schoolCode = QByteArray("00123", 5);
        records.push_back(r);
    }
    const QString in = dir.file(QStringLiteral("in.csv"));
    QString problem;
    ASSERT_TRUE(writeCsvFile(in, encodeCsv(text(), CsvEncoding::Utf8WithBom), &problem));
    QDir().mkpath(dir.file(QStringLiteral("out")));
    QProcess office;
    office.start(soffice, {QStringLiteral("--headless"), QStringLiteral("--norestore"),
                           QStringLiteral("-env:UserInstallation=file://") + dir.file(QStringLiteral("profile")),
                           QStringLiteral("--infilter=CSV:44,34,76,1"),
                           QStringLiteral("--convert-to"),
                           QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true"),
                           QStringLiteral("--outdir"), dir.file(QStringLiteral("out")), in});
    ASSERT_TRUE(office.waitForFinished(300000)) << "LibreOffice did not finish";
    QFile out(dir.file(QStringLiteral("out/in.csv")));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly)) << office.readAllStandardError().toStdString();
    QString shown = QString::fromUtf8(out.readAll());
    if (shown.startsWith(QChar(0xfeff))) shown.remove(0, 1);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    const std::vector<QStringList> rows = readCsv(shown);
    ASSERT_EQ(rows.size(), size_t(names.size()) + 1);
    for (int k = 0; k < names.size(); ++k) {
        const QStringList& row = rows[size_t(k) + 1];
        ASSERT_GE(row.size(), 13);
        EXPECT_EQ(row[4], names[k]) << "the name shown";
        EXPECT_EQ(row[11], QStringLiteral("00123")) << "the school code shown";
        EXPECT_EQ(row[12], QStringLiteral("=1+1塾")) << "the school's name shown";
        EXPECT_EQ(row[3], QString::number(20 + k)) << "a number stays a number";
        EXPECT_EQ(row[8], QString::number(45 + k));
    }
}
