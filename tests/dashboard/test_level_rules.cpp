// Which levels may be started, the shortcut keys and the column geometry.
#include "Fakes.h"
#include "dashboard/LevelRules.h"
#include "frame/Catalogue.h"

#include <QSet>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace karuvel;

namespace {

constexpr int P = 7;  // the signed-in pupil

// Four plain levels; each cleared with 2 runs and 20 points within the recent period.
void fourLevels(ProgramState& s)
{
    s.LevelCount = 4;
    s.FinalLevel = Loose(4);
    for (int i = 1; i <= 4; ++i) {
        s.LevelNames[i] = QStringLiteral("川%1").arg(i);
        s.LevelTimed[i] = 1;
        s.ClearPoints[i] = 20;
        s.ClearCount[i] = 2;
    }
}

void clear(ProgramState& s, int level)
{
    s.RecentCount(level, P) = 2;
    s.RecentPoints(level, P) = 20;
}

struct AvailabilityCase {
    const char* what;
    std::function<void(ProgramState&)> setUp;
    QString name;
    std::string enabled;  // '1' enabled, '0' disabled, for levels 1..4
    std::string overdo;   // '1' notice shown
    bool finalCleared;
};

} // namespace

TEST(LevelAvailability, FollowsClearRuleOverdoLimitsAndTheirExceptions)
{
    const QString pupil = QStringLiteral("山田　太郎          ");
    const std::vector<AvailabilityCase> cases = {
        {"all levels open, no runs", [](ProgramState& s) { s.AllLevelsOpen = Loose(1); }, pupil, "1111", "0000", false},
        {"closed, no runs: only level 1", [](ProgramState& s) { s.AllLevelsOpen = Loose(0); }, pupil, "1000", "0000",
         false},
        {"the name 先生 opens every level", [](ProgramState& s) { s.AllLevelsOpen = Loose(0); },
         QStringLiteral(" 先生               "), "1111", "0000", false},
        {"a teacher mark alone opens nothing", [](ProgramState& s) { s.AllLevelsOpen = Loose(0); },
         QStringLiteral("山田先生"), "1000", "0000", false},
        {"a cleared level opens the next",
         [](ProgramState& s) {
             s.AllLevelsOpen = Loose(0);
             clear(s, 1);
         },
         pupil, "1100", "0000", false},
        {"clearing needs both the points and the count",
         [](ProgramState& s) {
             s.AllLevelsOpen = Loose(0);
             s.RecentPoints(1, P) = 500;
             s.RecentCount(1, P) = 1;
         },
         pupil, "1000", "0000", false},
        {"a next level without points criterion opens from any level",
         [](ProgramState& s) {
             s.AllLevelsOpen = Loose(0);
             s.ClearPoints[3] = 9999;
         },
         pupil, "1010", "0000", false},
        {"overdo by count blocks the level",
         [](ProgramState& s) {
             s.AllLevelsOpen = Loose(1);
             s.OverdoCountLimit[2] = Loose(3);
             s.OverdoCount(2, P) = 3;
         },
         pupil, "1011", "0100", false},
        {"one run below the count limit is still allowed",
         [](ProgramState& s) {
             s.AllLevelsOpen = Loose(1);
             s.OverdoCountLimit[2] = Loose(3);
             s.OverdoCount(2, P) = 2;
         },
         pupil, "1111", "0000", false},
        {"overdo by points blocks the level",
         [](ProgramState& s) {
             s.AllLevelsOpen = Loose(1);
             s.OverdoPointsLimit[1] = Loose(100);
             s.OverdoPoints(1, P) = 120;
         },
         pupil, "0111", "1000", false},
        {"a limit of 0 never blocks",
         [](ProgramState& s) {
             s.AllLevelsOpen = Loose(1);
             s.OverdoCountLimit[2] = Loose(0);
             s.OverdoPointsLimit[2] = Loose(0);
             s.OverdoCount(2, P) = 500;
             s.OverdoPoints(2, P) = 5000;
         },
         pupil, "1111", "0000", false},
        {"the last level is never blocked",
         [](ProgramState& s) {
             s.AllLevelsOpen = Loose(1);
             s.OverdoCountLimit[4] = Loose(1);
             s.OverdoCount(4, P) = 9;
         },
         pupil, "1111", "0000", false},
        {"a cleared final level lifts the overdo limits",
         [](ProgramState& s) {
             s.AllLevelsOpen = Loose(1);
             s.OverdoCountLimit[2] = Loose(1);
             s.OverdoCount(2, P) = 9;
             clear(s, 4);
         },
         pupil, "1111", "0000", true},
        {"a level that opens nothing is not given the overdo test",
         [](ProgramState& s) {
             s.AllLevelsOpen = Loose(0);
             s.OverdoCountLimit[1] = Loose(1);
             s.OverdoCount(1, P) = 9;
         },
         pupil, "1000", "0000", false},
        {"a practice level opens the next before any block",
         [](ProgramState& s) {
             s.AllLevelsOpen = Loose(0);
             s.LevelNames[1] = QStringLiteral("練習");
         },
         pupil, "1100", "0000", false},
        {"a practice level after a block is open but opens nothing",
         [](ProgramState& s) {
             s.AllLevelsOpen = Loose(0);
             s.LevelNames[2] = QStringLiteral("練習");
         },
         pupil, "1100", "0000", false},
        {"a practice level is never blocked",
         [](ProgramState& s) {
             s.AllLevelsOpen = Loose(1);
             s.LevelNames[2] = QStringLiteral("練習");
             s.OverdoCountLimit[2] = Loose(1);
             s.OverdoCount(2, P) = 9;
         },
         pupil, "1111", "0000", false},
    };
    for (const AvailabilityCase& c : cases) {
        test::FakePlatform fakes;
        ProgramState& s = state();
        fourLevels(s);
        c.setUp(s);
        const LevelAvailability a = levelAvailability(s, P, c.name);
        std::string enabled, overdo;
        for (int i = 1; i <= 4; ++i) {
            enabled += a.enabled[size_t(i)] ? '1' : '0';
            overdo += a.overdo[size_t(i)] ? '1' : '0';
        }
        EXPECT_EQ(enabled, c.enabled) << c.what;
        EXPECT_EQ(overdo, c.overdo) << c.what;
        EXPECT_EQ(a.finalLevelCleared, c.finalCleared) << c.what;
    }
}

TEST(LevelAvailability, TwelveCatalogueLevelsWithAllLevelsOpen)
{
    test::FakePlatform fakes;
    SetProgramIdentity();
    applyLevelCatalogue();
    const LevelAvailability a = levelAvailability(state(), P, QStringLiteral("だれか"));
    for (int i = 1; i <= 12; ++i) EXPECT_TRUE(a.enabled[size_t(i)]) << i;
    EXPECT_FALSE(a.enabled[13]);
}

TEST(Shortcuts, DigitsAndLowerCaseLettersWithinTheLevelCount)
{
    struct Case {
        const char* key;
        int levels;
        int target;
    };
    const Case cases[] = {
        {"1", 1, 1},   {"2", 1, kKeyNone}, {"9", 9, 9},   {"9", 8, kKeyNone}, {"a", 10, 10}, {"a", 9, kKeyNone},
        {"b", 10, kKeyNone}, {"b", 11, 11}, {"c", 12, 12}, {"d", 12, kKeyNone}, {"d", 13, 13}, {"B", 12, kKeyNone},
        {"0", 12, kKeyBack}, {"e", 35, kKeyNone}, {"", 12, kKeyNone}, {"12", 12, kKeyNone},
    };
    for (const Case& c : cases)
        EXPECT_EQ(shortcutTarget(QString::fromUtf8(c.key), c.levels), c.target) << c.key << " with " << c.levels;
}

TEST(LevelRules, EveryLevelHasOneKeyAndItsCaptionShowsIt)
{
    QSet<QString> keys;
    for (int level = 1; level <= 13; ++level) {
        const QString key = shortcutKey(level);
        ASSERT_EQ(key.size(), 1) << level;
        EXPECT_FALSE(keys.contains(key)) << level;
        keys.insert(key);
        EXPECT_EQ(shortcutTarget(key, 13), level) << level;
        EXPECT_EQ(startCaption(level), QStringLiteral("ｽﾀｰﾄ(&") + key.toUpper() + QStringLiteral(")")) << level;
    }
    EXPECT_TRUE(shortcutKey(14).isEmpty());
}

// Screens wider than 4:3 show more columns: as many as fit at a readable
// width, all twelve where they all fit.
TEST(ColumnGeometry, WideScreensShowMoreColumns)
{
    struct Case {
        const char* what;
        int windowPixels;  // width of the window in pixels of the 768-high frame
        int inView;
        bool scrollBar;
    } cases[] = {
        {"4:3: the four of the 1024 x 768 screen", 1024, 4, true},
        {"16:9 (1920 x 1080, 3840 x 2160)", 1365, 6, true},
        {"16:10", 1228, 5, true},
        {"21:9", 1820, 8, true},
        {"32:9: all twelve", 2731, 12, false},
    };
    for (const Case& c : cases) {
        const ColumnGeometry g = columnGeometryForWidth(12, c.windowPixels * 15.0);
        EXPECT_EQ(g.inView, c.inView) << c.what;
        EXPECT_EQ(g.scrollBarShown, c.scrollBar) << c.what;
        EXPECT_EQ(g.scrollMax, c.scrollBar ? 12 - c.inView + 1 : 1) << c.what;
        EXPECT_GE(g.width, kNarrowestColumnTwips) << c.what << ": readable";
        // The columns in view fit the window, the next one starts beyond them.
        EXPECT_LE(g.firstLeft + g.inView * g.width, c.windowPixels * 15.0) << c.what;
    }
    const ColumnGeometry plain = columnGeometry(12), same = columnGeometryForWidth(12, kWindowWidthTwips);
    EXPECT_EQ(same.width, plain.width);
    EXPECT_EQ(same.scrollMax, plain.scrollMax);
    // A column scrolled out of view on a wide window goes beyond its right edge.
    const ColumnGeometry wide = columnGeometryForWidth(12, 1365 * 15.0);
    EXPECT_EQ(columnLeft(wide, 1, 3), 1365 * 15.0);
}

TEST(ColumnGeometry, FewLevelsShareTheWidthManyLevelsScroll)
{
    const ColumnGeometry four = columnGeometry(4);
    EXPECT_DOUBLE_EQ(four.width, 14592.0 / 4);
    EXPECT_FALSE(four.scrollBarShown);
    EXPECT_DOUBLE_EQ(four.firstLeft, 307.2);
    EXPECT_DOUBLE_EQ(columnLeft(four, 4, 1), 307.2 + 3 * 3648.0);

    const ColumnGeometry twelve = columnGeometry(12);
    EXPECT_DOUBLE_EQ(twelve.width, 3456.0);
    EXPECT_TRUE(twelve.scrollBarShown);
    EXPECT_EQ(twelve.scrollMax, 9);  // the scroll bar runs 1..9
    // Scrolled to level 3: levels 3..6 in view, levels 1 and 2 put out of view on the right.
    EXPECT_DOUBLE_EQ(columnLeft(twelve, 3, 3), 307.2);
    EXPECT_DOUBLE_EQ(columnLeft(twelve, 6, 3), 307.2 + 3 * 3456.0);
    EXPECT_DOUBLE_EQ(columnLeft(twelve, 1, 3), kWindowWidthTwips);
    EXPECT_DOUBLE_EQ(columnLeft(twelve, 2, 3), kWindowWidthTwips);

    EXPECT_EQ(correctedFirstVisible(0, twelve), 1);
    EXPECT_EQ(correctedFirstVisible(10, twelve), 1);
    EXPECT_EQ(correctedFirstVisible(9, twelve), 9);
    EXPECT_EQ(correctedFirstVisible(2, four), 1);
    EXPECT_EQ(firstVisibleFromScroll(13, 12), 1);
    EXPECT_EQ(firstVisibleFromScroll(5, 12), 5);
}

TEST(ColumnTexts, CriteriaRecentAndValueLines)
{
    test::FakePlatform fakes;
    ProgramState& s = state();
    s.LevelTimed[1] = 1;
    s.TargetTime[1] = 60;
    s.ClearCount[1] = 3;
    s.ClearPoints[1] = 30;
    s.PointMultiplier[1] = 1.5f;
    s.RecentDays[1] = Loose(7);
    s.RecentCount(1, P) = 2;
    s.RecentPoints(1, P) = 25;
    EXPECT_EQ(criteriaLine(s, 1), QStringLiteral("目標=60秒 3回/30点(×1.5)"));
    EXPECT_EQ(recentLine(s, 1, P), QStringLiteral("最近7日=2回 / 25点"));
    s.ClearPoints[1] = 9999;
    EXPECT_EQ(criteriaLine(s, 1), QStringLiteral("目標=60秒 --------"));
    s.LevelTimed[1] = 0;
    EXPECT_EQ(criteriaLine(s, 1), QStringLiteral("◎=60点以上"));
    EXPECT_EQ(recentLine(s, 1, P), QString());

    EXPECT_EQ(todayValue(s, 1, P), QStringLiteral("-----"));
    EXPECT_EQ(totalValue(s, 1, P), QStringLiteral("------"));
    s.TodayCount(1, P) = 2;
    s.TodayPoints(1, P) = 18;
    s.TotalCount(1, P) = 12;
    s.TotalPoints(1, P) = 130;
    EXPECT_EQ(todayValue(s, 1, P), QStringLiteral("2回/18点"));
    EXPECT_EQ(totalValue(s, 1, P), QStringLiteral("12回/130点"));

    EXPECT_EQ(minutesSinceSignIn(36000, 36000 + 125), QStringLiteral("起動後2分"));
    EXPECT_EQ(minutesSinceSignIn(86400 - 60, 120), QStringLiteral("起動後3分"));  // across midnight
    EXPECT_EQ(minutesSinceSignIn(36001, 36000.6), QStringLiteral("起動後0分"));   // sign-in time rounded up
}
