#pragma once
// The finish screen FrmSyuuryou: the outcome of the run just recorded (time,
// points, today's counts, records broken, level cleared), its sound cue, and
// the way back to the menu or into the same level again. Its rules are in
// records/FinishRules.h; the run reaches it as a RunOutcome (setOutcome).
#include "frame/Screen.h"
#include "records/FinishRules.h"
#include "records/RunFlow.h"

#include <QPixmap>
#include <QString>

class QKeyEvent;
class QLabel;
class QPushButton;
class QTimer;
class QWidget;

namespace karuvel {

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
// Shows the drill for a new run of the selected level (the menu when there is no drill).
void StartRun();

} // namespace karuvel
