// The criteria editor's grid without a window: the criteria file in and out,
// the cells that cannot be written, and the moves and copies of the keys.
#include "Fakes.h"
#include "TempDir.h"
#include "admin/CriteriaGrid.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace karuvel;
using karuvel::test::TempDir;

namespace {

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// The fixed header line in CP932 with CR LF, written out byte by byte.
const QByteArray kHeaderLine = QByteArray::fromHex(
    "96da955754696d652c8dc592e154696d652cb8d8b1cedfb2ddc42cb8d8b189f190942ccedfb2ddc4947b97a62c8bd689f12c8bd6935f2c"
    "94bb8afa8ad42c8bd68afa8ad42c2c2c0d0a");

} // namespace

TEST(CriteriaGridFile, LoadShowsPlainNumbersAndSaveRewritesTheHeaderLine)
{
    TempDir dir;
    // An old header line of another form, a quoted field, numbers with
    // leading zeros and trailing zeros, and a text field.
    dir.writeCp932(QStringLiteral("c.txt"), QStringLiteral("old,h,e,a,d,e,r,x,y,1,2,3\r\n"
                                                           "010,60,100,5,1.50,0,0,14,7,\"45\",,\r\n"
                                                           "20, 30 ,9999,9999,2,10,500,30,7,毎日,a b,\r\n"));
    CriteriaGrid grid;
    ASSERT_EQ(loadCriteriaGrid(dir.file(QStringLiteral("c.txt")), &grid), CriteriaGridLoad::Ok);
    EXPECT_EQ(grid.lastLevelRow, 2);
    ASSERT_EQ(grid.rowCount(), 3);
    EXPECT_EQ(grid.rows[0], criteriaGridHeader());
    EXPECT_EQ(grid.rows[1], QStringList({"1", "10", "60", "100", "5", "1.5", "0", "0", "14", "7", "45", "", ""}));
    EXPECT_EQ(grid.rows[2],
              QStringList({"2", "20", "30", "9999", "9999", "2", "10", "500", "30", "7", "毎日", "a b", ""}));

    QString message;
    ASSERT_EQ(saveCriteriaGrid(dir.file(QStringLiteral("c.txt")), grid, &message), CriteriaSave::Ok) << message.toStdString();
    const QByteArray expected = kHeaderLine + QByteArray("10,60,100,5,1.5,0,0,14,7,45,,\r\n") +
                                QByteArray("20,30,9999,9999,2,10,500,30,7,") + QByteArray::fromHex("968893fa") +
                                QByteArray(",a b,\r\n");
    EXPECT_EQ(bytesOf(dir.file(QStringLiteral("c.txt"))).toHex(), expected.toHex());

    // What was written reads back the same.
    CriteriaGrid again;
    loadCriteriaGrid(dir.file(QStringLiteral("c.txt")), &again);
    EXPECT_EQ(again.rows, grid.rows);
}

TEST(CriteriaGridFile, FiguresTypedFullWidthAreWrittenAsTheProgramReadsThem)
{
    TempDir dir;
    dir.writeCp932(QStringLiteral("c.txt"), QStringLiteral("a,b,c,d,e,f,g,h,i,,,\r\n60,120,30,3,1.5,0,0,7,7,,,\r\n"));
    CriteriaGrid grid;
    ASSERT_EQ(loadCriteriaGrid(dir.file(QStringLiteral("c.txt")), &grid), CriteriaGridLoad::Ok);
    grid.rows[1][1] = QStringLiteral("５０");
    grid.rows[1][5] = QStringLiteral("１．５");
    grid.rows[1][2] = QStringLiteral("１。５");  // the point of the Japanese input in kana mode
    grid.rows[1][3] = QStringLiteral("２｡５");
    grid.rows[1][10] = QStringLiteral("毎日");  // other text stays as it is
    QString message;
    ASSERT_EQ(saveCriteriaGrid(dir.file(QStringLiteral("c.txt")), grid, &message), CriteriaSave::Ok);
    CriteriaGrid again;
    loadCriteriaGrid(dir.file(QStringLiteral("c.txt")), &again);
    EXPECT_EQ(again.rows[1], QStringList({"1", "50", "1.5", "2.5", "3", "1.5", "0", "0", "7", "7", "毎日", "", ""}));
}

TEST(CriteriaGridFile, FilesWithoutLevelLines)
{
    struct Case {
        const char* name;
        QByteArray content;  // null: no file at all
        CriteriaGridLoad load;
        int lastLevelRow;
        QByteArray saved;
    };
    const Case cases[] = {
        {"header only", kHeaderLine, CriteriaGridLoad::Ok, 0, kHeaderLine},
        {"empty", QByteArray(""), CriteriaGridLoad::Ok, -1, QByteArray("")},
        {"blank lines", QByteArray("\r\n\r\n"), CriteriaGridLoad::Ok, -1, QByteArray("")},
        {"missing", QByteArray(), CriteriaGridLoad::Missing, -1, QByteArray("")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        if (!c.content.isNull()) dir.writeBytes(QStringLiteral("c.txt"), c.content);
        CriteriaGrid grid;
        EXPECT_EQ(loadCriteriaGrid(dir.file(QStringLiteral("c.txt")), &grid), c.load);
        EXPECT_EQ(grid.lastLevelRow, c.lastLevelRow);
        ASSERT_EQ(grid.rowCount(), 1);
        EXPECT_EQ(grid.rows[0], criteriaGridHeader());
        EXPECT_FALSE(grid.hasCell(1, 1));
        saveCriteriaGrid(dir.file(QStringLiteral("out.txt")), grid, nullptr);
        EXPECT_EQ(bytesOf(dir.file(QStringLiteral("out.txt"))), c.saved);
    }
}

TEST(CriteriaGridFile, ShortLastLineIsFilledWithEmptyCells)
{
    TempDir dir;
    dir.writeBytes(QStringLiteral("c.txt"), kHeaderLine + "30,60,100,5,1\r\n");
    CriteriaGrid grid;
    ASSERT_EQ(loadCriteriaGrid(dir.file(QStringLiteral("c.txt")), &grid), CriteriaGridLoad::Ok);
    EXPECT_EQ(grid.lastLevelRow, 1);
    EXPECT_EQ(grid.rows[1], QStringList({"1", "30", "60", "100", "5", "1", "", "", "", "", "", "", ""}));
    EXPECT_EQ(criteriaFileLines(grid).value(1), QStringLiteral("30,60,100,5,1,,,,,,,"));
}

TEST(CriteriaGridFile, CellThatWouldShiftTheFieldsIsRefusedAndNothingIsWritten)
{
    struct Case {
        int row, column;
        QString text;
        QString names;  // what the message must name
    };
    const Case cases[] = {
        {2, 2, QStringLiteral("6,0"), QStringLiteral("レベル2の「最低Time」の列")},
        {1, 11, QStringLiteral("\"x"), QStringLiteral("レベル1の11列目")},
        {2, 9, QStringLiteral("7\r\n8"), QStringLiteral("レベル2の「禁期間」の列")},
        {1, 5, QStringLiteral("1\n"), QStringLiteral("レベル1の「ﾎﾟｲﾝﾄ倍率」の列")},
        {2, 12, QStringLiteral("ok\U0001F600"), QStringLiteral("レベル2の12列目に記録できない文字「\U0001F600」")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        TempDir dir;
        const QByteArray before = kHeaderLine + "30,60,100,5,1,0,0,14,7,,,\r\n40,80,100,5,1,0,0,14,7,,,\r\n";
        dir.writeBytes(QStringLiteral("c.txt"), before);
        CriteriaGrid grid;
        loadCriteriaGrid(dir.file(QStringLiteral("c.txt")), &grid);
        grid.rows[c.row][c.column] = c.text;
        QString message;
        EXPECT_EQ(saveCriteriaGrid(dir.file(QStringLiteral("c.txt")), grid, &message), CriteriaSave::Refused);
        EXPECT_TRUE(message.contains(c.names)) << message.toStdString();
        EXPECT_EQ(bytesOf(dir.file(QStringLiteral("c.txt"))), before);
    }
}

TEST(CriteriaGridFile, SaveThatCannotWriteSaysSoAndNamesTheFile)
{
    TempDir dir;
    dir.writeBytes(QStringLiteral("c.txt"), kHeaderLine + "30,60,100,5,1,0,0,14,7,,,\r\n");
    CriteriaGrid grid;
    loadCriteriaGrid(dir.file(QStringLiteral("c.txt")), &grid);
    QString message;
    const QString path = dir.path() + QStringLiteral("gone/タイム回数データ.txt");
    EXPECT_EQ(saveCriteriaGrid(path, grid, &message), CriteriaSave::Failed);
    EXPECT_TRUE(message.contains(QStringLiteral("「タイム回数データ.txt」に書き込むことができません")));
    EXPECT_TRUE(message.contains(path));
    EXPECT_FALSE(QFile::exists(path));
}

TEST(CriteriaGridFile, ColumnHelpTexts)
{
    EXPECT_EQ(criteriaColumnHelp(2), QStringLiteral("合格最低ラインタイム\r\n  この５倍が時間切れになります"));
    EXPECT_EQ(criteriaColumnHelp(3), QStringLiteral("目標ポイント\r\n\u3000\u3000 目標ポイント"));
    EXPECT_EQ(criteriaColumnHelp(7).split(QStringLiteral("\r\n")).size(), 3);
    for (int c : {0, 10, 11, 12}) EXPECT_TRUE(criteriaColumnHelp(c).isEmpty()) << c;
}

// ---------------------------------------------------------------------------

namespace {
// Three levels; column 1 holds "a1", "a2", "a3", column 12 "l1".. and so on.
CriteriaSheet threeLevels()
{
    CriteriaSheet s;
    s.grid.rows = {criteriaGridHeader()};
    for (int r = 1; r <= 3; ++r) {
        QStringList row{QString::number(r)};
        for (int c = 1; c <= 12; ++c) row.append(QString(QChar(u'a' + c - 1)) + QString::number(r));
        s.grid.rows.append(row);
    }
    s.grid.lastLevelRow = 3;
    s.grid.yellow = QVector<QVector<bool>>(4, QVector<bool>(13, false));
    return s;
}
} // namespace

TEST(CriteriaSheet, KeysMoveWithinTheLevelCells)
{
    struct Case {
        const char* name;
        int row, column;
        CriteriaKey key;
        bool shift;
        int wantRow, wantColumn;
        bool moved;
    };
    const Case cases[] = {
        {"up on row 1", 1, 4, CriteriaKey::Up, false, 1, 4, false},
        {"up", 3, 4, CriteriaKey::Up, false, 2, 4, true},
        {"down on the last row", 3, 4, CriteriaKey::Down, false, 3, 4, false},
        {"down", 1, 4, CriteriaKey::Down, false, 2, 4, true},
        {"left on column 1", 2, 1, CriteriaKey::Left, false, 2, 1, false},
        {"left", 2, 5, CriteriaKey::Left, false, 2, 4, true},
        {"right to 12", 2, 11, CriteriaKey::Right, false, 2, 12, true},
        {"right stops at 12", 2, 12, CriteriaKey::Right, false, 2, 12, false},
        {"escape", 2, 5, CriteriaKey::Escape, false, 2, 5, false},
        {"other", 2, 5, CriteriaKey::Other, false, 2, 5, false},
        {"shift+down on the last row", 3, 6, CriteriaKey::Down, true, 3, 6, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CriteriaSheet s = threeLevels();
        const QVector<QStringList> before = s.grid.rows;
        s.setCurrent(c.row, c.column);
        EXPECT_EQ(s.key(c.key, c.shift, s.currentText()), c.moved);
        EXPECT_EQ(s.row, c.wantRow);
        EXPECT_EQ(s.column, c.wantColumn);
        EXPECT_EQ(s.grid.rows, before);
        EXPECT_EQ(s.dataChanged, 0);
    }
}

TEST(CriteriaSheet, ShiftDownCopiesTheEditorTextDownTheColumn)
{
    CriteriaSheet s = threeLevels();
    s.setCurrent(1, 2);
    s.textToGrid(QStringLiteral("99"));
    EXPECT_FALSE(s.key(CriteriaKey::Down, true, QStringLiteral("99")));
    EXPECT_EQ(s.grid.text(2, 2), QStringLiteral("99"));
    EXPECT_EQ(s.grid.text(3, 2), QStringLiteral("b3"));
    EXPECT_FALSE(s.key(CriteriaKey::Down, true, QStringLiteral("99")));
    EXPECT_FALSE(s.key(CriteriaKey::Down, true, QStringLiteral("99")));  // the last row: nothing more
    EXPECT_EQ(s.grid.text(3, 2), QStringLiteral("99"));
    EXPECT_EQ(s.row, 1);
    EXPECT_EQ(s.selectionEnd, 3);
    // The copies are changes like typed ones: marked, and the editor asks before leaving.
    EXPECT_TRUE(s.grid.isYellow(2, 2));
    EXPECT_TRUE(s.grid.isYellow(3, 2));
    EXPECT_FALSE(s.grid.isYellow(2, 1));
    // A move makes the selection the current cell again.
    s.key(CriteriaKey::Down, false, QString());
    EXPECT_EQ(s.selectionEnd, 2);
}

TEST(CriteriaSheet, OnlyAChangedTextColoursItsCell)
{
    CriteriaSheet s = threeLevels();
    s.setCurrent(2, 3);
    s.textToGrid(QStringLiteral("c2"));
    EXPECT_FALSE(s.grid.isYellow(2, 3));
    EXPECT_EQ(s.dataChanged, 0);
    s.textToGrid(QStringLiteral("c2x"));
    s.textToGrid(QStringLiteral("c2"));  // typed back: stays marked
    EXPECT_TRUE(s.grid.isYellow(2, 3));
    EXPECT_EQ(s.dataChanged, 1);
    EXPECT_EQ(s.grid.text(2, 3), QStringLiteral("c2"));
}
