// Question files, display names, name lists and their kana headings.
#include "DrillFixtures.h"
#include "Fakes.h"
#include "TempDir.h"
#include "drill/Questions.h"
#include "state/ProgramState.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace karuvel;

namespace {

QuestionTable loadFixture(test::TempDir& dir, const QString& csv, LoadOutcome* outcome = nullptr)
{
    dir.writeCp932(QStringLiteral("データ.csv"), csv);
    QuestionTable t;
    LoadOutcome o = loadQuestionFile(dir.file(QStringLiteral("データ.csv")), &t);
    if (outcome) *outcome = o;
    return t;
}

// The row of the kana table a reading's first character belongs to (0 = あ ..
// 7 = や, with ら and わ after や); -1 for anything else.
int kanaRow(QChar c)
{
    char16_t u = c.unicode();
    if (u >= 0x30A1 && u <= 0x30F6) u = char16_t(u - 0x60);  // katakana to hiragana
    struct Range {
        char16_t from, to;
        int row;
    };
    static const Range rows[] = {{0x3041, 0x304A, 0}, {0x304B, 0x3054, 1}, {0x3055, 0x305E, 2},
                                 {0x305F, 0x3069, 3}, {0x306A, 0x306E, 4}, {0x306F, 0x307D, 5},
                                 {0x307E, 0x3082, 6}, {0x3083, 0x3094, 7}};
    for (const Range& r : rows)
        if (u >= r.from && u <= r.to) return r.row;
    return -1;
}

} // namespace

TEST(Questions, LoadsQuestionsAndSampleRowsInFileOrder)
{
    test::FakePlatform fakes;
    test::TempDir dir;
    LoadOutcome o;
    const QuestionTable t = loadFixture(dir, test::fixtureCsv(), &o);
    ASSERT_TRUE(o.ok) << o.message.toStdString();

    // Sample rows between questions do not take a question number.
    ASSERT_EQ(t.count(), 4);
    EXPECT_EQ(t.at(1).name, QStringLiteral("信濃川"));
    EXPECT_EQ(t.at(2).name, QStringLiteral("利根川"));
    EXPECT_EQ(t.at(3).name, QStringLiteral("浜名湖"));
    EXPECT_EQ(t.at(4).name, QStringLiteral("ナゾ川"));
    ASSERT_EQ(t.samples.size(), 2u);
    EXPECT_EQ(t.samples[0].x, 22);
    EXPECT_EQ(t.samples[0].y, 12);
    EXPECT_EQ(t.samples[1].x, 79);
    EXPECT_EQ(t.samples[1].y, 59);

    EXPECT_EQ(t.at(1).region, QStringLiteral("中部"));
    EXPECT_EQ(t.at(1).displayName, QStringLiteral("信濃川(しなのがわ)"));
    EXPECT_EQ(t.at(1).secondDisplayName, QStringLiteral("千曲川(ちくまがわ)"));
    EXPECT_EQ(t.at(1).relatedPlaces(), QStringList({QStringLiteral("長野県"), QStringLiteral("新潟県")}));
    EXPECT_EQ(t.at(2).relatedCount(), 3);
    EXPECT_EQ(t.at(2).seedX, 30);
    EXPECT_EQ(t.at(2).seedY, 40);
    // No second name: "*", and no entry in the second-name list.
    EXPECT_EQ(t.at(3).secondDisplayName, QStringLiteral("*"));
    EXPECT_EQ(t.at(4).displayName, QStringLiteral("ナゾ川"));
    EXPECT_EQ(t.at(4).relatedCount(), 0);

    // Both lists: all names (or second names) plus the eight headings.
    EXPECT_EQ(t.firstList.size(), 4 + 8);
    EXPECT_EQ(t.secondList.size(), 2 + 8);
    EXPECT_TRUE(t.firstList.contains(QStringLiteral("信濃川           (しなのがわ)")));
    EXPECT_TRUE(t.secondList.contains(QStringLiteral("坂東太郎           (ばんどうたろう)")));
    // A hidden reading is still shown in the list, "＊" included.
    EXPECT_TRUE(t.firstList.contains(QStringLiteral("浜名湖           (は＊まなこ)")));
    // A name without a reading keeps every character of it.
    EXPECT_TRUE(t.firstList.contains(QStringLiteral("ナゾ川")));
    for (const QString& h : nameListHeadings()) {
        EXPECT_TRUE(t.firstList.contains(visibleListEntry(h)));
        EXPECT_TRUE(t.secondList.contains(visibleListEntry(h)));
    }
}

TEST(Questions, ShownFormHidesOnlyAStarredReading)
{
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"信濃川(しなのがわ)", "信濃川(しなのがわ)"},
        {"浜名湖(は＊まなこ)", "浜名湖"},
        {"ナゾ川", "ナゾ川"},
        {"*", "*"},
        {"山(＊)", "山(＊)"},  // "＊" is the first character of the reading, not the second
        {"山(や", "山(や"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ShownForm(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
}

TEST(Questions, HeadingsStandBeforeTheNamesOfTheirRow)
{
    // Real readings: voiced and semi-voiced kana, small kana, katakana, and
    // the ら and わ rows, which have no heading of their own.
    const char* const names[][2] = {
        {"赤石山脈", "あかいしさんみゃく"}, {"奥羽山脈", "おううさんみゃく"}, {"越後平野", "えちごへいや"},
        {"関東平野", "かんとうへいや"},     {"岐阜", "ぎふ"},                   {"庄内平野", "しょうないへいや"},
        {"蔵王山", "ざおうざん"},           {"筑紫平野", "つくしへいや"},       {"大雪山", "だいせつざん"},
        {"濃尾平野", "のうびへいや"},       {"琵琶湖", "びわこ"},               {"磐梯山", "ばんだいさん"},
        {"八幡平", "はちまんたい"},         {"宮崎平野", "みやざきへいや"},     {"山形盆地", "やまがたぼんち"},
        {"夕張山地", "ゆうばりさんち"},     {"六甲山", "ろっこうさん"},         {"若狭湾", "わかさわん"},
        {"利尻山", "リシリザン"},           {"十勝平野", "トカチヘイヤ"},       {"御嶽山", "おんたけさん"},
        {"佐渡", "さ＊ど"},                 {"ポロシリ", "ぽろしり"},
    };
    QStringList entries;
    for (const auto& n : names)
        entries << nameListEntry(displayNameOf(QString::fromUtf8(n[0]), QString::fromUtf8(n[1])));
    entries << nameListHeadings();
    sortJapanese(&entries);

    int heading = -1;
    int headingsSeen = 0;
    for (const QString& e : entries) {
        const QString visible = visibleListEntry(e);
        if (isHeadingEntry(visible)) {
            const int row = kanaRow(visible[2]);
            EXPECT_EQ(row, headingsSeen) << "headings out of order at " << visible.toStdString();
            heading = row;
            ++headingsSeen;
            continue;
        }
        const int open = visible.indexOf(QLatin1Char('('));
        ASSERT_GE(open, 0);
        const int row = kanaRow(visible[open + 1]);
        EXPECT_EQ(row, heading) << visible.toStdString() << " stands under the wrong heading";
    }
    EXPECT_EQ(headingsSeen, 8);
}

TEST(Questions, BadFilesGiveAJapaneseMessageNamingTheFile)
{
    test::FakePlatform fakes;
    test::TempDir dir;
    const QString star = QStringLiteral(",*,*,*,*,*,*,*,*,*,*,*,*,*,1,1,0\r\n");
    struct Case {
        const char* what;
        QString csv;
        const char* expected;
    } cases[] = {
        {"empty", QString(), "問題がありません"},
        {"only samples", QStringLiteral("*,無効色") + star, "問題がありません"},
        {"short last record", QStringLiteral("a,川,かわ,*,*,*,*\r\n"), "項目が足りません"},
        {"eleven sample rows", QStringLiteral("*,無効色").append(star).repeated(11), "「無効色」の行が多すぎます"},
        {"101 questions", QStringLiteral("a,川,かわ,*,*").append(star.mid(6)).repeated(101), "問題が多すぎます"},
    };
    for (const Case& c : cases) {
        LoadOutcome o;
        loadFixture(dir, c.csv, &o);
        EXPECT_FALSE(o.ok) << c.what;
        EXPECT_TRUE(o.message.contains(QString::fromUtf8(c.expected))) << c.what << ": " << o.message.toStdString();
        EXPECT_TRUE(o.message.contains(QStringLiteral("データ.csv"))) << c.what;
    }
    // Exactly 100 questions and 10 sample rows are fine.
    LoadOutcome o;
    const QuestionTable t = loadFixture(
        dir, QStringLiteral("a,川,かわ,*,*").append(star.mid(6)).repeated(100) +
                 QStringLiteral("*,無効色").append(star).repeated(10),
        &o);
    EXPECT_TRUE(o.ok) << o.message.toStdString();
    EXPECT_EQ(t.count(), 100);
    EXPECT_EQ(t.samples.size(), 10u);

    QuestionTable missing;
    const LoadOutcome m = loadQuestionFile(dir.file(QStringLiteral("データ山.csv")), &missing);
    EXPECT_FALSE(m.ok);
    EXPECT_TRUE(m.message.contains(QStringLiteral("データ山.csv")));
    EXPECT_TRUE(m.message.contains(QStringLiteral("見つかりません")));
}

TEST(Questions, LevelsChooseTheirFileAndMap)
{
    const char* const files[] = {"データ.csv", "データ山脈.csv", "データ平野.csv",
                                 "データ山.csv", "データ湾湖.csv", "データ半島.csv"};
    const char* const maps[] = {"日本川", "日本山脈", "日本山平野2", "日本山平野2", "データ湾湖", "日本半島"};
    for (int level = 1; level <= 12; ++level) {
        EXPECT_EQ(dataFileForLevel(level), QString::fromUtf8(files[(level - 1) / 2])) << level;
        EXPECT_EQ(mapKeyForLevel(level), QString::fromUtf8(maps[(level - 1) / 2])) << level;
    }
    EXPECT_TRUE(dataFileForLevel(13).isEmpty());
}

TEST(Questions, EveryQuestionMustPointAtAnAnswerAreaOfTheMap)
{
    test::FakePlatform fakes;
    test::TempDir dir;
    state().AppFolder = dir.path();
    setMapImageSource([](const QString&) { return test::fixtureMap(); });
    LevelContent content;
    dir.writeCp932(QStringLiteral("データ.csv"), test::fixtureCsv());
    const LoadOutcome good = LoadQuestions(1, &content);
    EXPECT_TRUE(good.ok) << good.message.toStdString();

    // Sea, a black border, land (a sample colour) and a point off the map.
    for (QPoint seed : {QPoint(3, 3), QPoint(50, 30), QPoint(40, 30), QPoint(200, 20), QPoint(30, -1)}) {
        dir.writeCp932(QStringLiteral("データ.csv"),
                       test::fixtureCsv() + QStringLiteral("四国,迷子川,まいごがわ,*,*,*,*,*,*,*,*,*,*,*,*,%1,%2,0\r\n")
                                                .arg(seed.x())
                                                .arg(seed.y()));
        const LoadOutcome o = LoadQuestions(1, &content);
        EXPECT_FALSE(o.ok) << seed.x() << "," << seed.y();
        EXPECT_TRUE(o.message.contains(QStringLiteral("データ.csv"))) << o.message.toStdString();
        EXPECT_TRUE(o.message.contains(QStringLiteral("「迷子川」"))) << o.message.toStdString();
    }
    setMapImageSource(nullptr);
}

// The truth file beside a question file: read when it is there, the slots
// alone without it, and a clear message naming it when it cannot be read.
TEST(Questions, TheTruthFileBesideTheQuestionFile)
{
    test::TempDir dir;
    EXPECT_EQ(truthFileFor(dir.file(QStringLiteral("データ山.csv"))), dir.file(QStringLiteral("関係データ山.csv")));

    QuestionTable none = loadFixture(dir, test::fixtureCsv());
    EXPECT_TRUE(none.truth.isEmpty());
    EXPECT_TRUE(none.isTrueOf(QStringLiteral("千葉県"), 2));
    EXPECT_FALSE(none.isTrueOf(QStringLiteral("新潟県"), 2));

    // Blanks round the fields, an empty line, a record without places and a
    // name no question has are taken in their stride.
    dir.writeCp932(QStringLiteral("関係データ.csv"),
                   QStringLiteral("新潟県,信濃川, 利根川 \r\n\r\n群馬県\r\n茨城県,利根川,霞川\r\n"));
    LoadOutcome o;
    const QuestionTable t = loadFixture(dir, test::fixtureCsv(), &o);
    ASSERT_TRUE(o.ok) << o.message.toStdString();
    EXPECT_EQ(t.truth.value(QStringLiteral("新潟県")), (QSet<QString>{QStringLiteral("信濃川"), QStringLiteral("利根川")}));
    EXPECT_TRUE(t.isTrueOf(QStringLiteral("新潟県"), 2));
    EXPECT_FALSE(t.isTrueOf(QStringLiteral("新潟県"), 3));
    EXPECT_FALSE(t.isTrueOf(QStringLiteral("群馬県"), 1));
    EXPECT_TRUE(t.isTrueOf(QStringLiteral("群馬県"), 2));  // its own slot

    // A folder where the file should be cannot be read.
    QFile::remove(dir.file(QStringLiteral("関係データ.csv")));
    dir.mkdir(QStringLiteral("関係データ.csv"));
    const QuestionTable bad = loadFixture(dir, test::fixtureCsv(), &o);
    EXPECT_FALSE(o.ok);
    EXPECT_TRUE(o.message.contains(QStringLiteral("関係データ.csv"))) << o.message.toStdString();
    EXPECT_EQ(bad.count(), 0);
}
