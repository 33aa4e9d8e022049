#pragma once
// The rules of the finish screen: its lines of text, the message and cue of a
// finished run, the buttons it offers, and the level judgements they use.
#include <QString>

namespace karuvel {

// "獲得ポイント：55点×1.5→82点": base points, the level's multiplier and the points.
QString finishPointsLine(long long runTime, long long targetTime, float multiplier);
// "今の成績：45秒", or "記録なし" for a time-over run.
QString finishTimeLine(long long runTime);
// " (このレベル　3回目)" and "（7回目)".
QString finishLevelCountLine(double todayCount);
QString finishTotalCountLine(long long todayTotalRuns);

// The cue played with the outcome message.
enum class FinishCue { None, PersonalBest, TopRecord, NoRecord };

struct FinishOutcome {
    QString message;  // empty: no message shown
    FinishCue cue = FinishCue::None;
};

// The message and cue of a finished run: time over first, then a top record
// (whatever the personal best says), then a personal best, else the
// no-record cue for a run within the limit time.
FinishOutcome finishOutcome(int timeOver, int newPersonalBest, int newTopRecord, long long runTime,
                            long long limitTime);

// What the finish screen's timer does with "このレベルクリア" and "もう一度".
struct FinishButtons {
    bool retryVisible = true;  // "もう一度"
    enum class Label { Keep, Clear, NextLevel } label = Label::Keep;
};

// The button rule once the outcome has been shown: a pupil who has done a
// cleared level too often is sent on to the next level, unless this is the
// final level or the final level is already cleared.
FinishButtons finishButtons(bool overdone, bool cleared, bool finalLevel, bool finalLevelCleared);

// The run's level judged from the statistics of the last recount.
bool levelClearedRecently(int level, int pupil);
bool levelOverdone(int level, int pupil);
// True when some level 1..35 has no count criterion (kNoCountCriterion: no final-level congratulation then).
bool anyLevelWithoutCountCriterion();

} // namespace karuvel
