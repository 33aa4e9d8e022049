#include "platform/Cp932.h"
#include "platform/FieldReader.h"
#include "TempDir.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace karuvel;

namespace {
QStringList readAll(const QString& text)
{
    FieldReader r(text);
    QStringList out;
    Field f;
    while (!r.atEnd() && r.next(&f)) out << f.text;
    return out;
}
} // namespace

TEST(FieldReader, ReadsFieldsAsTheDataFilesNeed)
{
    struct Case { const char* text; QStringList fields; };
    const Case cases[] = {
        {"a,b,c\r\n", {"a", "b", "c"}},
        {"  lead,trail   ,  both  \r\n", {"lead", "trail", "both"}},
        {"\"x, y\",z\r\n", {"x, y", "z"}},                  // a quoted field runs across commas
        {"\"  kept  \",n", {"  kept  ", "n"}},               // blanks inside quotes stay
        {"\"q\"junk,next", {"q", "next"}},                   // text after the closing quote is dropped
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},             // any line end separates like a comma
        {"a,,b\r\n", {"a", "", "b"}},                       // an empty field
        {"h1,h2,,,\r\n1,2", {"h1", "h2", "", "", "", "1", "2"}},
        {"last", {"last"}},                                   // no final line end
        {"a,b\r\n\r\n  \r\n", {"a", "b"}},                  // trailing blank lines end the text
    };
    for (const Case& c : cases) EXPECT_EQ(readAll(QString::fromUtf8(c.text)), c.fields) << c.text;
}

TEST(FieldReader, FixedCountsDoNotResynchroniseAndReportTheEnd)
{
    FieldReader r("1,2,3\r\n4,5\r\n6\r\n");
    Field f;
    QStringList firstGroup, secondGroup;
    for (int i = 0; i < 4; ++i) { ASSERT_TRUE(r.next(&f)); firstGroup << f.text; }
    EXPECT_EQ(firstGroup, (QStringList{"1", "2", "3", "4"}));
    ASSERT_TRUE(r.next(&f));
    ASSERT_TRUE(r.next(&f));
    EXPECT_EQ(f.text, "6");
    EXPECT_TRUE(r.atEnd());
    EXPECT_FALSE(r.next(&f));
    EXPECT_FALSE(r.ok());
}

TEST(FieldReader, NumberAtTheStartOfAField)
{
    FieldReader r("45秒,abc, 1.5 ,\"12\"");
    EXPECT_EQ(r.take().number(), 45);
    EXPECT_EQ(r.take().number(), 0);
    Field f = r.take();
    EXPECT_EQ(f.number(), 1.5);
    EXPECT_TRUE(f.loose().isNumber());
    Field q = r.take();
    EXPECT_TRUE(q.loose().isText());  // a quoted number stays text
}

TEST(Cp932, RoundTripOfTheCharactersSchoolsUse)
{
    const QString samples[] = {QStringLiteral("～"), QStringLiteral("－"), QStringLiteral("①"),
                               QStringLiteral("Ⅰ"),  QStringLiteral("ｽﾀｰﾄ"), QStringLiteral("\\"),
                               QStringLiteral("利根川（とねがわ）"), QStringLiteral("★先生")};
    for (const QString& s : samples) {
        QByteArray bytes = encodeCp932(s);
        EXPECT_EQ(decodeCp932(bytes), s) << s.toStdString();
        EXPECT_TRUE(fitsCp932(s)) << s.toStdString();
    }
    EXPECT_EQ(encodeCp932(QStringLiteral("\\")), QByteArray("\x5C"));
    EXPECT_EQ(encodeCp932(QStringLiteral("～")), QByteArray("\x81\x60"));
    EXPECT_EQ(encodeCp932(QStringLiteral("－")), QByteArray("\x81\x7C"));
    EXPECT_EQ(encodeCp932(QStringLiteral("ｱ")), QByteArray("\xB1"));
    EXPECT_EQ(encodeCp932(QStringLiteral("①")), QByteArray("\x87\x40"));
    EXPECT_FALSE(fitsCp932(QStringLiteral("😀")));
    EXPECT_EQ(encodeCp932(QStringLiteral("a😀b")).count('?'), 1);
}

TEST(Cp932, FilesAreWrittenWithCrLfAndReadBack)
{
    test::TempDir dir;
    const QString path = dir.file("データ.txt");
    ASSERT_EQ(writeCp932Lines(path, {QStringLiteral("一行目,1"), QStringLiteral("二行目")}), FileStatus::Ok);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    EXPECT_EQ(bytes.count("\r\n"), 2);
    QString text;
    ASSERT_EQ(readCp932File(path, &text), FileStatus::Ok);
    EXPECT_EQ(text, QStringLiteral("一行目,1\r\n二行目\r\n"));
    EXPECT_EQ(readCp932File(dir.file("ない.txt"), &text), FileStatus::NotFound);
}
