#pragma once
// The finish screen FrmSyuuryou: the outcome of the run just recorded (time,
// points, today's counts, records broken, level cleared), its sound cue, and
// the way back to the menu or into the same level again.
#include "frame/Screen.h"
#include "records/RunFlow.h"

#include <QPixmap>
#include <QString>

class QKeyEvent;
class QLabel;
class QPushButton;
class QTimer;
class QWidget;

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

// The finish screen's background picture, 1024 x 768.
QPixmap finishBackgroundPicture();

class FrmSyuuryou : public Screen {
    Q_OBJECT
public:
    FrmSyuuryou();
    // The run to show; set before the screen is shown.
    void setOutcome(const RunOutcome& outcome);
    void activate() override;

    QLabel* Image1;
    QLabel* Label15;  // program title
    QLabel* Label16;  // level name
    QLabel* Label17;  // pupil name
    QLabel* Label18;  // time line
    QLabel* Label19;  // points line
    QLabel* Label13;  // today's count on this level
    QLabel* Label14;  // today's count over all levels
    QLabel* Label20;  // the message
    QLabel* Label2;   // "このレベルクリア"
    QWidget* Picture1;
    QLabel* Label1;   // "目標レベルクリア。おめでとう！"
    QPushButton* Command4;  // "メニューへ"
    QPushButton* Command5;  // "もう一度"
    QTimer* Timer1;

    // The level-cleared test of the last activation.
    bool levelCleared() const { return cleared_; }

public slots:
    void Timer1_Timer();
    void Command4_Click();
    void Command5_Click();

protected:
    // Enter presses the button that has the focus, as the space bar does.
    void keyPressEvent(QKeyEvent* e) override;

private:
    RunOutcome outcome_;
    bool cleared_ = false;
    bool cuesPlaying_ = false;  // the outcome's cues have not ended yet
    bool buttonsDue_ = false;   // the timer came while they played
};

// Shows the dashboard, or the interim window while there is none.
void showMenuScreen();

} // namespace karuvel
