#include "dashboard/LevelRules.h"

#include "records/ClearRule.h"

#include <algorithm>

namespace karuvel {

bool levelCleared(const ProgramState& s, int level, int pupil) { return levelClearedRecently(s, level, pupil); }

namespace {
bool overdone(const ProgramState& s, int level, int pupil)
{
    const double countLimit = s.OverdoCountLimit[level].toNumber();
    const double pointsLimit = s.OverdoPointsLimit[level].toNumber();
    return (countLimit != 0 && s.OverdoCount(level, pupil) >= countLimit)
        || (pointsLimit != 0 && double(s.OverdoPoints(level, pupil)) >= pointsLimit);
}
} // namespace

LevelAvailability levelAvailability(const ProgramState& s, int pupil, const QString& pupilName)
{
    LevelAvailability a;
    if (!validPupil(pupil)) pupil = 0;
    const int n = std::clamp(s.LevelCount, 0, kMaxLevel);
    const long long finalLevel = s.FinalLevel.toLong();
    a.finalLevelCleared = finalLevel >= 1 && finalLevel <= kMaxLevel && levelCleared(s, int(finalLevel), pupil);
    if (n < 1) return a;

    const bool allOpen = s.AllLevelsOpen.toNumber() == 1;
    const bool teacherOpensAll = pupilName.trimmed() == QStringLiteral("先生");
    a.enabled[1] = true;
    bool blocked = false;
    for (int i = 1; i <= n; ++i) {
        const bool practice = isPracticeLevelName(s.LevelNames[i]);
        if (practice) a.enabled[i] = true;
        const bool nextHasNoPointsCriterion = i + 1 <= kMaxLevel && s.ClearPoints[i + 1] == kNoPointsCriterion;
        const bool opensNext = nextHasNoPointsCriterion || allOpen || teacherOpensAll || levelCleared(s, i, pupil)
            || (!blocked && practice);
        if (!opensNext) {
            blocked = true;
            continue;
        }
        if (i >= n) continue;  // the last level is never given the overdo test
        a.enabled[i + 1] = true;
        a.overdo[i + 1] = false;
        if (!a.finalLevelCleared && !practice && overdone(s, i, pupil)) {
            a.enabled[i] = false;
            a.overdo[i] = true;
        } else {
            a.overdo[i] = false;
        }
    }
    return a;
}

int shortcutTarget(const QString& keyText, int levelCount)
{
    if (keyText.size() != 1) return kKeyNone;
    const QChar c = keyText[0];
    if (c == u'0') return kKeyBack;
    if (c >= u'1' && c <= u'9') {
        const int level = c.unicode() - u'0';
        return levelCount > level - 1 ? level : kKeyNone;
    }
    if (c >= u'a' && c <= u'd') {
        const int level = 10 + (c.unicode() - u'a');
        return levelCount > level - 1 ? level : kKeyNone;
    }
    return kKeyNone;
}

QString shortcutKey(int level)
{
    if (level >= 1 && level <= 9) return QString(QChar(u'0' + level));
    if (level >= 10 && level <= 13) return QString(QChar(u'a' + (level - 10)));
    return {};
}

QString startCaption(int level)
{
    const QString key = shortcutKey(level);
    return QStringLiteral("ｽﾀｰﾄ(&") + (key.isEmpty() ? QString::number(level) : key.toUpper()) + QStringLiteral(")");
}

ColumnGeometry columnGeometry(int levelCount)
{
    ColumnGeometry g;
    g.levelCount = levelCount;
    g.firstLeft = 0.02 * kWindowWidthTwips;
    if (levelCount < 5) {
        g.width = levelCount > 0 ? 14592.0 / levelCount : 14592.0;
        g.inView = std::max(levelCount, 1);
        g.scrollBarShown = false;
        g.scrollMax = 1;
    } else {
        g.width = 3456.0;
        g.scrollBarShown = true;
        g.scrollMax = levelCount - 3;
    }
    return g;
}

ColumnGeometry columnGeometryForWidth(int levelCount, double windowTwips)
{
    if (windowTwips <= kWindowWidthTwips + 0.5 || levelCount < 1) return columnGeometry(levelCount);
    ColumnGeometry g;
    g.levelCount = levelCount;
    g.windowWidth = windowTwips;
    g.firstLeft = 0.02 * windowTwips;
    // The share of the width the columns take on the 4:3 screen (14592 of 15360).
    const double usable = 0.95 * windowTwips;
    const int fit = std::max(4, int(usable / kNarrowestColumnTwips));
    g.inView = std::min(levelCount, fit);
    g.width = usable / g.inView;
    g.scrollBarShown = levelCount > g.inView;
    g.scrollMax = g.scrollBarShown ? levelCount - g.inView + 1 : 1;
    return g;
}

int firstVisibleFromScroll(int value, int levelCount) { return value > levelCount ? 1 : value; }

int correctedFirstVisible(int value, const ColumnGeometry& g)
{
    if (value <= 0 || value > g.scrollMax) return 1;
    return value;
}

double columnLeft(const ColumnGeometry& g, int level, int firstVisible)
{
    const double x = g.firstLeft + (level - firstVisible) * g.width;
    return x < 0 ? g.windowWidth : x;
}

} // namespace karuvel

namespace karuvel {

QString criteriaLine(const ProgramState& s, int level)
{
    if (level < 1 || level > kMaxLevel) return QString();
    const QString target = QString::number(s.TargetTime[level]);
    if (s.LevelTimed[level] != 1) return QStringLiteral("◎=") + target + QStringLiteral("点以上");
    if (s.ClearPoints[level] == kNoPointsCriterion) return QStringLiteral("目標=") + target + QStringLiteral("秒 --------");
    return QStringLiteral("目標=") + target + QStringLiteral("秒 ") + QString::number(s.ClearCount[level])
        + QStringLiteral("回/") + QString::number(s.ClearPoints[level]) + QStringLiteral("点(×")
        + singleText(s.PointMultiplier[level]) + QStringLiteral(")");
}

QString recentLine(const ProgramState& s, int level, int pupil)
{
    if (level < 1 || level > kMaxLevel || !validPupil(pupil) || s.LevelTimed[level] != 1) return QString();
    return QStringLiteral("最近") + s.RecentDays[level].toText() + QStringLiteral("日=")
        + QString::number(s.RecentCount(level, pupil)) + QStringLiteral("回 / ")
        + QString::number(s.RecentPoints(level, pupil)) + QStringLiteral("点");
}

QString todayValue(const ProgramState& s, int level, int pupil)
{
    if (level < 1 || level > kMaxLevel || !validPupil(pupil) || s.TodayCount(level, pupil) == 0)
        return QStringLiteral("-----");
    return singleText(s.TodayCount(level, pupil)) + QStringLiteral("回/") + QString::number(s.TodayPoints(level, pupil))
        + QStringLiteral("点");
}

QString totalValue(const ProgramState& s, int level, int pupil)
{
    if (level < 1 || level > kMaxLevel || !validPupil(pupil) || s.TotalCount(level, pupil) == 0)
        return QStringLiteral("------");
    return QString::number(s.TotalCount(level, pupil)) + QStringLiteral("回/")
        + QString::number(s.TotalPoints(level, pupil)) + QStringLiteral("点");
}

QString minutesSinceSignIn(double signInSeconds, double nowSeconds)
{
    return signedInForText(timeOfDaySecondsSince(signInSeconds, nowSeconds));
}

QString signedInForText(double seconds)
{
    if (seconds < 0) seconds = 0;
    return QStringLiteral("起動後") + QString::number((long long)(seconds) / 60) + QStringLiteral("分");
}

} // namespace karuvel
