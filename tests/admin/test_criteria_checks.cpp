// What the criteria editor lets through to the file: the range of each
// column, the target below the minimum time, what a save says it changes,
// and how many pupils a change lets clear a level.
#include "admin/CriteriaChecks.h"
#include "platform/Calendar.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace karuvel;

namespace {

CriteriaGrid gridOf(const QVector<QStringList>& levels)
{
    CriteriaGrid g;
    g.rows.append(criteriaGridHeader());
    g.yellow.append(QVector<bool>(kCriteriaGridColumns));
    for (int i = 0; i < levels.size(); ++i) {
        g.rows.append(QStringList{QString::number(i + 1)} + levels[i]);
        g.yellow.append(QVector<bool>(kCriteriaGridColumns));
    }
    g.lastLevelRow = int(levels.size());
    return g;
}

const QStringList kLevel1 = {"50", "100", "30", "3", "1", "0", "0", "7", "7", "", "", ""};

} // namespace

TEST(CriteriaChecks, EachCellIsReadAsItsColumnReadsIt)
{
    struct Case {
        const char* what;
        int column;
        QString text;
        bool accepted;
        double value;
    };
    const Case cases[] = {
        {"a target replaced by typing", 1, "40", true, 40},
        {"a target typed after the old value (appended)", 1, "5040", true, 5040},  // in range alone: the limit refuses it
        {"a target beyond any time", 1, "99999", false, 0},
        {"letters", 1, "abc", false, 0},
        {"an empty cell", 3, "", false, 0},
        {"full-width figures, as the Japanese input types them", 1, "４０", true, 40},
        {"blanks around the figures", 4, " 3 ", true, 3},
        {"a fraction in a whole-number column", 4, "2.5", false, 0},
        {"a negative count", 4, "-1", false, 0},
        {"a target of 0 (the points would divide by zero)", 1, "0", false, 0},
        {"no points criterion", 3, "9999", true, 9999},
        {"a multiplier with a point", 5, "1.5", true, 1.5},
        {"a multiplier with a full-width point", 5, "１．２５", true, 1.25},
        {"a multiplier with three decimals", 5, "1.125", false, 0},
        {"a judging period of no days", 8, "0", false, 0},
        {"an overdo period of no days (never judged)", 9, "0", true, 0},
        {"ten years of judging", 8, "3650", true, 3650},
        {"more than ten years", 8, "3651", false, 0},
        {"a comma", 2, "1,0", false, 0},
        {"an unused column is no number column", 10, "1", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        double v = -1;
        EXPECT_EQ(criteriaCellValue(c.column, c.text, &v), c.accepted);
        if (c.accepted) EXPECT_EQ(v, c.value);
    }
}

TEST(CriteriaChecks, ARefusalNamesTheLevelAndTheColumn)
{
    struct Case {
        const char* what;
        int column;
        QString text;
        QString named;  // what the message must say
    };
    const Case cases[] = {
        {"typing appended to the target", 1, "5040", "レベル2の「目標Time」（5040秒）が「最低Time」（100秒）より小さくありません"},
        {"a target equal to the limit", 1, "100", "レベル2の「目標Time」（100秒）が「最低Time」（100秒）より小さくありません"},
        {"letters", 3, "abc", "レベル2の「ｸﾘｱﾎﾟｲﾝﾄ」が「abc」です"},
        {"an emptied cell", 8, "", "レベル2の「判期間」が空欄です"},
        {"a comma", 4, "3,5", "レベル2の「ｸﾘｱ回数」の列に"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QStringList level2 = kLevel1;
        level2[c.column - 1] = c.text;
        const CriteriaGrid g = gridOf({kLevel1, level2});
        QString message;
        EXPECT_FALSE(criteriaGridValid(g, &message));
        EXPECT_TRUE(message.contains(c.named)) << message.toStdString();
    }
    QString message;
    EXPECT_TRUE(criteriaGridValid(gridOf({kLevel1, kLevel1}), &message)) << message.toStdString();
}

TEST(CriteriaChecks, TheSaveListsWhatChangedAndWhoWouldClear)
{
    const CriteriaGrid before = gridOf({kLevel1, kLevel1});
    CriteriaGrid after = gridOf({kLevel1, kLevel1});
    after.rows[1][1] = "４０";
    after.rows[2][3] = "030";  // the same value typed another way: no change
    after.rows[2][6] = "5";    // an overdo limit: no one's clearing changes
    const std::vector<CriteriaChange> changes = criteriaChanges(before, after);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(criteriaChangeText(changes[0]), QStringLiteral("レベル1 目標Time 50→40"));
    EXPECT_EQ(criteriaChangeText(changes[1]), QStringLiteral("レベル2 禁回 0→5"));

    // Pupil 1 ran level 1 three times within the week (20 s twice: 15 points
    // each with a target of 50; 45 s: 5 points), pupil 2 once in the week and
    // twice a month before, pupil 3 another level.
    const double now = toOleDateTime(QDateTime(QDate(2026, 12, 10), QTime(12, 0)));
    const double today = std::floor(now);
    std::vector<RecEntry> runs = {
        {today - 1, 0.5, 1, 1, 20}, {today - 2, 0.5, 1, 1, 20}, {today - 3, 0.5, 1, 1, 45},
        {today - 1, 0.5, 2, 1, 20}, {today - 30, 0.5, 2, 1, 20}, {today - 31, 0.5, 2, 1, 20},  // two outside the week
        {today - 1, 0.5, 3, 2, 20},
    };
    ClearCriteria c = clearCriteriaOfRow(before, 1);
    EXPECT_EQ(pupilsClearing(runs, 1, c, now), 1);
    c.clearCount = 1;
    c.clearPoints = 0;
    EXPECT_EQ(pupilsClearing(runs, 1, c, now), 2);
    c.recentDays = 60;
    c.clearCount = 3;
    EXPECT_EQ(pupilsClearing(runs, 1, c, now), 2);
    // A target so low that the 45-s run earns little: pupil 1 no longer clears.
    c = clearCriteriaOfRow(before, 1);
    c.target = 15;
    EXPECT_EQ(pupilsClearing(runs, 1, c, now), 0);

    const QString question = criteriaSaveQuestion(changes, before, after, runs, now);
    // With a target of 40 pupil 1's runs earn 11 + 11 + 4 points: not enough.
    EXPECT_TRUE(question.contains(QStringLiteral("レベル1 目標Time 50→40（判定期間にクリアする人 1人→0人）")))
        << question.toStdString();
    EXPECT_TRUE(question.contains(QStringLiteral("レベル2 禁回 0→5\r\n")) ||
                question.endsWith(QStringLiteral("レベル2 禁回 0→5")));
}
