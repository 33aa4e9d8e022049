// The .xlsx writer: the zip around the parts read back by a reader written
// here from the format (not from the writer), the sheet's XML read back, and,
// where python3 with openpyxl is installed, the workbook opened by a
// spreadsheet library that knows nothing of this program.
#include "records/XlsxFile.h"
#include "TempDir.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QXmlStreamReader>
#include <gtest/gtest.h>
#include <map>

using namespace karuvel;

namespace {

uint32_t le16(const QByteArray& b, qsizetype at) { return uint8_t(b[at]) | (uint32_t(uint8_t(b[at + 1])) << 8); }
uint32_t le32(const QByteArray& b, qsizetype at) { return le16(b, at) | (le16(b, at + 2) << 16); }

// CRC-32 bit by bit, as the zip format defines it.
uint32_t slowCrc(const QByteArray& b)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (const char ch : b) {
        crc ^= uint8_t(ch);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// The entries of a zip archive, found through its central directory; each
// entry's local header must agree with the directory and its CRC with its bytes.
std::map<QString, QByteArray> unzip(const QByteArray& zip)
{
    std::map<QString, QByteArray> parts;
    const qsizetype end = zip.size() - 22;
    EXPECT_GE(end, 0);
    if (end < 0) return parts;
    EXPECT_EQ(le32(zip, end), 0x06054b50u);
    const uint32_t count = le16(zip, end + 10);
    qsizetype at = le32(zip, end + 16);
    EXPECT_EQ(at + qsizetype(le32(zip, end + 12)), end) << "the directory ends where the end record starts";
    for (uint32_t i = 0; i < count; ++i) {
        EXPECT_EQ(le32(zip, at), 0x02014b50u);
        const uint32_t crc = le32(zip, at + 16);
        const uint32_t size = le32(zip, at + 24);
        const uint32_t nameLength = le16(zip, at + 28);
        const uint32_t skip = le16(zip, at + 30) + le16(zip, at + 32);
        const uint32_t local = le32(zip, at + 42);
        const QString name = QString::fromUtf8(zip.mid(at + 46, nameLength));
        EXPECT_EQ(le32(zip, local), 0x04034b50u) << name.toStdString();
        EXPECT_EQ(le16(zip, local + 8), 0u) << "stored";
        EXPECT_EQ(le32(zip, local + 14), crc);
        EXPECT_EQ(le32(zip, local + 18), size);
        EXPECT_EQ(le32(zip, local + 22), size);
        const qsizetype dataAt = local + 30 + le16(zip, local + 26) + le16(zip, local + 28);
        const QByteArray data = zip.mid(dataAt, size);
        EXPECT_EQ(slowCrc(data), crc) << name.toStdString();
        parts[name] = data;
        at += 46 + nameLength + skip;
    }
    return parts;
}

struct ReadCell {
    QString type;  // the t attribute ("inlineStr" for texts, empty for numbers)
    QString style;
    QString value;
};

// The cells of a sheet's XML by reference ("B3"), and the pane and widths.
struct ReadSheet {
    std::map<QString, ReadCell> cells;
    QString frozenTopLeft;
    std::map<int, double> widths;
    bool wellFormed = false;
};

ReadSheet readSheet(const QByteArray& xml)
{
    ReadSheet s;
    QXmlStreamReader r(xml);
    QString ref;
    while (!r.atEnd()) {
        r.readNext();
        if (!r.isStartElement()) continue;
        const auto a = r.attributes();
        if (r.name() == u"pane" && a.value(QLatin1String("state")) == u"frozen") s.frozenTopLeft = a.value(QLatin1String("topLeftCell")).toString();
        if (r.name() == u"col") s.widths[a.value(QLatin1String("min")).toInt()] = a.value(QLatin1String("width")).toDouble();
        if (r.name() == u"c") {
            ref = a.value(QLatin1String("r")).toString();
            s.cells[ref] = {a.value(QLatin1String("t")).toString(), a.value(QLatin1String("s")).toString(), {}};
        }
        if (r.name() == u"v" || r.name() == u"t") s.cells[ref].value = r.readElementText();
    }
    s.wellFormed = !r.hasError();
    EXPECT_FALSE(r.hasError()) << r.errorString().toStdString();
    return s;
}

XlsxSheet classSheet()
{
    XlsxSheet sheet;
    sheet.name = QStringLiteral("クラス一覧 中３/小６");  // a slash no sheet name may hold
    sheet.rows = {
        {XlsxCell::of(QStringLiteral("学年")), XlsxCell::of(QStringLiteral("名前")), XlsxCell::of(QStringLiteral("回数")),
         XlsxCell::of(QStringLiteral("最高(秒)"))},
        {XlsxCell::of(QStringLiteral("中３")), XlsxCell::of(QStringLiteral("高木 <真央> & \"R\"")), XlsxCell::of(12.0),
         XlsxCell::of(45.0)},
        // A never-run level: no best time, an empty cell; a name with a stray
        // control character and blanks at its ends.
        {XlsxCell::of(QStringLiteral("小６")), XlsxCell::of(QStringLiteral(" 竹内\x01葵 ")), XlsxCell::of(0.0),
         XlsxCell::empty()},
        {XlsxCell::of(QStringLiteral("00123")), XlsxCell::of(QStringLiteral("1.5")), XlsxCell::of(1.5),
         XlsxCell::of(1234567.0)},
    };
    sheet.columnWidths = {6, 20, 0, 10.5};
    sheet.boldRows = 1;
    sheet.frozenRows = 1;
    sheet.frozenColumns = 2;
    return sheet;
}

} // namespace

TEST(XlsxFile, CrcAndColumnNames)
{
    // The check value every CRC-32 of zip is tested with.
    EXPECT_EQ(zipCrc32(QByteArray("123456789")), 0xCBF43926u);
    EXPECT_EQ(zipCrc32(QByteArray()), 0u);
    const QByteArray mixed = QStringLiteral("クラス一覧\n<c r=\"A1\"/>").toUtf8();
    EXPECT_EQ(zipCrc32(mixed), slowCrc(mixed));

    const std::pair<int, const char*> names[] = {{0, "A"}, {25, "Z"}, {26, "AA"}, {51, "AZ"}, {52, "BA"},
                                                 {701, "ZZ"}, {702, "AAA"}};
    for (const auto& [column, name] : names) EXPECT_EQ(xlsxColumnName(column), QLatin1String(name)) << column;
}

// The parts a spreadsheet program looks for, a zip any reader takes, texts
// as texts (marked characters intact), numbers as numbers, the heading bold
// and frozen, the widths given.
TEST(XlsxFile, WorkbookPartsAndCells)
{
    const std::map<QString, QByteArray> parts = unzip(xlsxBytes(classSheet()));
    for (const char* part : {"[Content_Types].xml", "_rels/.rels", "xl/workbook.xml", "xl/_rels/workbook.xml.rels",
                             "xl/styles.xml", "xl/worksheets/sheet1.xml"}) {
        ASSERT_TRUE(parts.count(QString::fromLatin1(part))) << part;
        QXmlStreamReader r(parts.at(QString::fromLatin1(part)));
        while (!r.atEnd()) r.readNext();
        EXPECT_FALSE(r.hasError()) << part << ": " << r.errorString().toStdString();
    }
    EXPECT_TRUE(parts.at(QStringLiteral("xl/workbook.xml")).contains(QStringLiteral("name=\"クラス一覧 中３_小６\"").toUtf8()));

    const ReadSheet sheet = readSheet(parts.at(QStringLiteral("xl/worksheets/sheet1.xml")));
    ASSERT_TRUE(sheet.wellFormed);
    struct Case {
        const char* ref;
        const char* type;
        QString value;
    } cases[] = {
        {"A1", "inlineStr", QStringLiteral("学年")},
        {"D1", "inlineStr", QStringLiteral("最高(秒)")},
        {"B2", "inlineStr", QStringLiteral("高木 <真央> & \"R\"")},
        {"C2", "", QStringLiteral("12")},
        {"D2", "", QStringLiteral("45")},
        {"B3", "inlineStr", QStringLiteral(" 竹内葵 ")},  // blanks kept, the control character left out
        {"C3", "", QStringLiteral("0")},
        {"A4", "inlineStr", QStringLiteral("00123")},     // a text of digits stays a text
        {"C4", "", QStringLiteral("1.5")},
        {"D4", "", QStringLiteral("1234567")},
    };
    for (const Case& c : cases) {
        const QString ref = QString::fromLatin1(c.ref);
        ASSERT_TRUE(sheet.cells.count(ref)) << c.ref;
        EXPECT_EQ(sheet.cells.at(ref).type, QString::fromLatin1(c.type)) << c.ref;
        EXPECT_EQ(sheet.cells.at(ref).value, c.value) << c.ref;
    }
    EXPECT_FALSE(sheet.cells.count(QStringLiteral("D3"))) << "an empty cell is left out";
    EXPECT_EQ(sheet.cells.at(QStringLiteral("A1")).style, QStringLiteral("1"));
    EXPECT_EQ(sheet.cells.at(QStringLiteral("A2")).style, QString());
    EXPECT_EQ(sheet.frozenTopLeft, QStringLiteral("C2"));
    EXPECT_EQ(sheet.widths, (std::map<int, double>{{1, 6}, {2, 20}, {4, 10.5}}));
}

// The workbook as a spreadsheet library reads it.
TEST(XlsxFile, OpensInASpreadsheetLibrary)
{
    // Debian's own python3 first: openpyxl comes as its package (python3-openpyxl).
    QString python;
    for (const QString& candidate : {QStringLiteral("/usr/bin/python3"), QStandardPaths::findExecutable(QStringLiteral("python3"))}) {
        if (candidate.isEmpty() || !QFileInfo(candidate).isExecutable()) continue;
        QProcess probe;
        probe.start(candidate, {QStringLiteral("-c"), QStringLiteral("import openpyxl")});
        if (probe.waitForFinished(60000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0) {
            python = candidate;
            break;
        }
    }
    if (python.isEmpty()) GTEST_SKIP() << "no python3 with openpyxl (python3-openpyxl)";

    test::TempDir dir;
    QFile f(dir.file(QStringLiteral("class.xlsx")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(xlsxBytes(classSheet()));
    f.close();
    // Prints each cell as "ref|type|value", then the pane, widths and the heading's boldness.
    const QString script = QStringLiteral(
        "import sys, openpyxl\n"
        "wb = openpyxl.load_workbook(sys.argv[1])\n"
        "ws = wb.active\n"
        "print(ws.title)\n"
        "for row in ws.iter_rows():\n"
        "    for c in row:\n"
        "        if c.value is not None: print('%s|%s|%s' % (c.coordinate, type(c.value).__name__, c.value))\n"
        "print('pane', ws.freeze_panes)\n"
        "print('width', ws.column_dimensions['B'].width, ws.column_dimensions['D'].width)\n"
        "print('bold', ws['A1'].font.b, ws['A2'].font.b)\n");
    QProcess py;
    py.start(python, {QStringLiteral("-c"), script, f.fileName()});
    ASSERT_TRUE(py.waitForFinished(120000));
    const QString err = QString::fromUtf8(py.readAllStandardError());
    ASSERT_EQ(py.exitCode(), 0) << err.toStdString();
    const QStringList lines = QString::fromUtf8(py.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    const QStringList expected = {
        QStringLiteral("クラス一覧 中３_小６"),
        QStringLiteral("A1|str|学年"),
        QStringLiteral("B1|str|名前"),
        QStringLiteral("C1|str|回数"),
        QStringLiteral("D1|str|最高(秒)"),
        QStringLiteral("A2|str|中３"),
        QStringLiteral("B2|str|高木 <真央> & \"R\""),
        QStringLiteral("C2|int|12"),
        QStringLiteral("D2|int|45"),
        QStringLiteral("A3|str|小６"),
        QStringLiteral("B3|str| 竹内葵 "),
        QStringLiteral("C3|int|0"),
        QStringLiteral("A4|str|00123"),
        QStringLiteral("B4|str|1.5"),
        QStringLiteral("C4|float|1.5"),
        QStringLiteral("D4|int|1234567"),
        QStringLiteral("pane C2"),
        QStringLiteral("width 20.0 10.5"),
        QStringLiteral("bold True False"),
    };
    EXPECT_EQ(lines, expected) << err.toStdString();
}
