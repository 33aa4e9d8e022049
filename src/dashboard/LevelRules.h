#pragma once
// The plain rules behind the dashboard's level columns: which levels may be
// started (clear rule and overdo limit), the shortcut keys, and where each
// column lies. None of them needs a screen.
#include "state/ProgramState.h"

#include <QString>
#include <array>

namespace karuvel {

// Which start buttons are enabled and which columns show "やりすぎ禁止".
struct LevelAvailability {
    std::array<bool, kLevelSlots> enabled{};
    std::array<bool, kLevelSlots> overdo{};  // the overdo notice is shown
    bool finalLevelCleared = false;
};

// True when the pupil has met the level's clear criteria within the recent period
// (the rule of records/ClearRule.h, which the finish screen uses too).
bool levelCleared(const ProgramState& s, int level, int pupil);
// The availability rule for the pupil (pupilName as signed in, padded or not).
LevelAvailability levelAvailability(const ProgramState& s, int pupil, const QString& pupilName);

// What a key pressed on the dashboard asks for.
constexpr int kKeyBack = 0;    // "0": back to name selection
constexpr int kKeyNone = -1;   // any other key, or a level beyond the level count
// The level to start (1..13) for "1".."9", "a".."d", kKeyBack or kKeyNone.
int shortcutTarget(const QString& keyText, int levelCount);
// The one key of a level (the inverse of shortcutTarget): "1".."9" for
// levels 1..9, "a".."d" for levels 10..13; empty beyond.
QString shortcutKey(int level);
// The start button's caption, its access key (GRPH/Alt + key) the level's
// key: "ｽﾀｰﾄ(&1)".."ｽﾀｰﾄ(&9)", then "ｽﾀｰﾄ(&A)".."ｽﾀｰﾄ(&D)" (a "(&10)" would
// share Alt+1 with levels 1, 11 and 12).
QString startCaption(int level);

// Column geometry in twips (15 twips a pixel); the window is 15360 twips wide.
constexpr double kWindowWidthTwips = 15360.0;
struct ColumnGeometry {
    double width = 0;        // W
    double firstLeft = 0;    // left edge of the template column, x1
    bool scrollBarShown = false;
    int scrollMax = 1;       // the scroll bar runs 1..scrollMax
    int levelCount = 0;
    double windowWidth = kWindowWidthTwips;  // where a column out of view is put
    int inView = 4;          // columns in view at once
};
ColumnGeometry columnGeometry(int levelCount);
// The narrowest a level column may be and stay readable (its name row, the
// start and practice buttons, the counts and the criteria line): 3200
// twips, a little under the 3456 of the 4:3 screen.
constexpr double kNarrowestColumnTwips = 3200.0;
// The geometry of a window wider than 4:3 (its width in twips): as many
// columns in view as fit at a readable width, sharing the width; all of
// them, without a scroll bar, where they all fit. A window of 15360 twips
// or less has the geometry of columnGeometry.
ColumnGeometry columnGeometryForWidth(int levelCount, double windowTwips);
// FirstVisibleLevel as the scroll bar sets it: a value above the level count becomes 1.
int firstVisibleFromScroll(int value, int levelCount);
// FirstVisibleLevel as the refresh corrects it: 0 (or less) or more than the maximum becomes 1.
int correctedFirstVisible(int value, const ColumnGeometry& g);
// Left edge of level i's column; a column that would start left of the window
// is put at the window's right edge, out of view.
double columnLeft(const ColumnGeometry& g, int level, int firstVisible);

} // namespace karuvel

namespace karuvel {

// The texts of a level column.
// Criteria line: "目標=60秒 3回/30点(×1.5)", "目標=60秒 --------" or "◎=50点以上".
QString criteriaLine(const ProgramState& s, int level);
// Recent line of a timed level for the pupil: "最近7日=2回 / 20点"; empty otherwise.
QString recentLine(const ProgramState& s, int level, int pupil);
// "3回/30点", or "-----" when there is no run today.
QString todayValue(const ProgramState& s, int level, int pupil);
// "12回/130点", or "------" when there is no run at all.
QString totalValue(const ProgramState& s, int level, int pupil);
// "起動後" + whole minutes since sign-in + "分"; a sign-in before midnight counts on.
QString minutesSinceSignIn(double signInSeconds, double nowSeconds);
// The same text for a number of seconds since sign-in.
QString signedInForText(double seconds);

} // namespace karuvel
