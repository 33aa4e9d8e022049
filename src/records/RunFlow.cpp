#include "records/RunFlow.h"

#include "records/ResultsFile.h"
#include "state/ProgramState.h"

namespace karuvel {

bool runIsRecorded(int level)
{
    const ProgramState& s = state();
    return validLevel(level) && !isPracticeLevelName(s.LevelNames[size_t(level)]) && s.LevelTimed[size_t(level)] == 1;
}

RunOutcome JudgeRun(int level, int32_t runTime)
{
    ProgramState& s = state();
    RunOutcome o;
    o.runTime = runTime;
    o.timeOver = runTime == kTimeOver;
    const int pupil = s.CurrentPupil;
    if (validLevel(level) && validPupil(pupil)) {
        // The statistics are those of the last recount, made before this run.
        o.alreadyCleared = s.TotalCount(level, pupil) >= s.ClearCount[level] &&
                           s.TotalPoints(level, pupil) >= s.ClearPoints[level];
        if (s.BestTime(level, pupil) > runTime) {
            o.newPersonalBest = true;
            s.BestTime(level, pupil) = runTime;
        }
    }
    s.RunTime = runTime;
    o.stored = AppendResult();
    if (!o.stored.ok()) return o;
    if (validLevel(level) && s.TopTime[level] > runTime) {
        s.TopTime[level] = runTime;
        o.newTopRecord = true;
    }
    return o;
}

} // namespace karuvel
