#pragma once
// The end and the start of a run: FinishRun judges and records the run and
// opens the finish screen; StartRun resets the run and shows the drill.

namespace karuvel {

// What the run's end needs from the drill screen while it is loaded.
class IRunScreen {
public:
    virtual ~IRunScreen() = default;
    // Shows the notice panel with "時間切れ" (time over) or "成績記録中".
    virtual void showNotice(bool timeOver) = 0;
    // Stops the run clock.
    virtual void stopClock() = 0;
};

// The drill screen registers itself while it is loaded (nullptr when it closes).
void setRunScreen(IRunScreen* screen);
IRunScreen* runScreen();

void FinishRun();
void JudgeRun(int level);
void StartRun();

} // namespace karuvel
