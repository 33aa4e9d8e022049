#include "records/RunFlow.h"

#include "frame/Navigator.h"
#include "platform/Platform.h"
#include "records/FinishScreen.h"
#include "records/ResultsFile.h"
#include "state/ProgramState.h"

namespace karuvel {

namespace {
IRunScreen*& currentRunScreen()
{
    static IRunScreen* s = nullptr;
    return s;
}

// The pause before the finish screen: one second counted in 10-ms steps of the
// tick counter, the screen kept responsive. A step is counted when more than
// 10 ms have passed since the last one; the surplus is carried into the next.
void pauseOneSecond()
{
    uint64_t last = clock().tickMs();
    int steps = 0;
    while (steps * 10 / 1000 < 1) {
        clock().waitResponsive(10);
        const uint64_t now = clock().tickMs();
        if (now < last) last = now;  // a counter that went back starts afresh
        while (now - last > 10 && steps * 10 / 1000 < 1) {
            ++steps;
            last += 10;
        }
    }
}
} // namespace

void setRunScreen(IRunScreen* screen) { currentRunScreen() = screen; }

IRunScreen* runScreen() { return currentRunScreen(); }

void FinishRun()
{
    yieldEvents();
    ProgramState& s = state();
    if (s.RunFinished == 1) return;
    s.RunFinished = 1;

    const int level = s.SelectedLevel;
    if (IRunScreen* rs = runScreen()) rs->showNotice(s.TimeOver == 1);
    yieldEvents();

    if (!validLevel(level)) return;

    // A practice level is never judged nor recorded. Neither is a level whose
    // runs are not timed; its pupil goes back to the menu as well rather than
    // being left on a finished drill.
    if (isPracticeLevelName(s.LevelNames[level]) || s.LevelTimed[level] != 1) {
        ShowWait();
        screens::close(ScreenId::Drill);
        showMenuScreen();
        CloseWait();
        return;
    }

    if (IRunScreen* rs = runScreen()) rs->stopClock();
    s.RunTime = s.TimeOver != 0 ? kTimeOver : s.ElapsedSeconds;
    JudgeRun(level);
    ShowWait();
    yieldEvents();
    pauseOneSecond();
    screens::close(ScreenId::Drill);
    screens::show(ScreenId::Finish);
}

void JudgeRun(int level)
{
    ProgramState& s = state();
    const int pupil = s.CurrentPupil;
    if (validLevel(level) && validPupil(pupil)) {
        // The statistics are those of the last recount, made before this run.
        s.AlreadyCleared = (s.TotalCount(level, pupil) >= s.ClearCount[level] &&
                            s.TotalPoints(level, pupil) >= s.ClearPoints[level])
                               ? 1
                               : 0;
        if (s.BestTime(level, pupil) > s.RunTime) {
            s.NewPersonalBest = 1;
            s.BestTime(level, pupil) = s.RunTime;
        }
    }
    AppendResult();
    if (validLevel(level) && s.TopTime[level] > s.RunTime) {
        s.TopTime[level] = s.RunTime;
        s.NewTopRecord = 1;
    }
}

void StartRun()
{
    ProgramState& s = state();
    s.RunComplete = 0;
    s.RunFinished = 0;
    s.Judging = 0;
    s.CorrectionShown = 0;
    s.RunCorrectCount = 0;
    s.TimeOver = 0;
    yieldEvents();
    if (screens::isRegistered(ScreenId::Drill)) {
        screens::show(ScreenId::Drill);
    } else {
        // Without a drill there is no run to play: back to the menu.
        showMenuScreen();
        CloseWait();
    }
}

} // namespace karuvel
