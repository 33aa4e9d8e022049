#include "records/FinishRules.h"

#include "records/ClearRule.h"
#include "records/Recount.h"
#include "state/ProgramState.h"

namespace karuvel {

QString finishPointsLine(long long runTime, long long targetTime, float multiplier)
{
    return QStringLiteral("獲得ポイント：") + QString::number(runBasePoints(runTime, targetTime)) +
           QStringLiteral("点×") + singleText(multiplier) + QStringLiteral("→") +
           QString::number(runPoints(runTime, targetTime, multiplier)) + QStringLiteral("点");
}

QString finishTimeLine(long long runTime)
{
    if (runTime > kLastRealTime) return QStringLiteral("記録なし");
    return QStringLiteral("今の成績：") + QString::number(runTime) + QStringLiteral("秒");
}

QString finishLevelCountLine(double todayCount)
{
    return QStringLiteral(" (このレベル　") + numberText(todayCount) + QStringLiteral("回目)");
}

QString finishTotalCountLine(long long todayTotalRuns)
{
    return QStringLiteral("（") + QString::number(todayTotalRuns) + QStringLiteral("回目)");
}

FinishOutcome finishOutcome(int timeOver, int newPersonalBest, int newTopRecord, long long runTime,
                            long long limitTime)
{
    if (timeOver == 1) return {QStringLiteral("時間切れ"), FinishCue::None};
    if (newPersonalBest == 1 && newTopRecord != 1)
        return {QStringLiteral("新記録おめでとう"), FinishCue::PersonalBest};
    if (newTopRecord == 1) return {QStringLiteral("！！！最高新記録！！！"), FinishCue::TopRecord};
    if (runTime <= limitTime) return {QString(), FinishCue::NoRecord};
    return {};
}

FinishButtons finishButtons(bool overdone, bool cleared, bool finalLevel, bool finalLevelCleared)
{
    FinishButtons b;
    if (overdone && cleared) {
        if (finalLevel) {
            b.label = FinishButtons::Label::Clear;
        } else if (!finalLevelCleared) {
            b.label = FinishButtons::Label::NextLevel;
            b.retryVisible = false;
        }
    }
    return b;
}

bool levelClearedRecently(int level, int pupil) { return levelClearedRecently(state(), level, pupil); }

bool levelOverdone(int level, int pupil)
{
    if (!validLevel(level) || !validPupil(pupil)) return false;
    const ProgramState& s = state();
    const Loose& runs = s.OverdoCountLimit[level];
    const Loose& points = s.OverdoPointsLimit[level];
    return (runs != Loose(0) && s.OverdoCount(level, pupil) >= runs.toNumber()) ||
           (points != Loose(0) && double(s.OverdoPoints(level, pupil)) >= points.toNumber());
}

bool anyLevelWithoutCountCriterion()
{
    const ProgramState& s = state();
    for (int i = 1; i <= kMaxLevel; ++i)
        if (s.ClearCount[i] == kNoCountCriterion) return true;
    return false;
}

} // namespace karuvel
