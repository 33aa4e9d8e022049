#pragma once
// The records' side of a run: whether a level's runs are recorded, the
// judging and storing of a run that has ended (what the finish screen then
// shows).
#include "records/ResultsFile.h"

#include <cstdint>

namespace karuvel {

// What the finish screen shows of a run just recorded.
struct RunOutcome {
    int32_t runTime = 0;          // seconds, penalties included; kTimeOver for a time over
    bool timeOver = false;
    bool newPersonalBest = false;  // below the pupil's best time
    bool newTopRecord = false;     // below every pupil's best time
    bool alreadyCleared = false;   // the level was cleared before this run
    ResultsError stored;           // why the run could not be stored; ok() when it was
};

// Runs of a practice level and of a level whose runs are not timed are never
// judged nor recorded: their pupil goes back to the menu.
bool runIsRecorded(int level);

// Judges the run of the signed-in pupil against the statistics of the last
// recount (the best times are brought up to date) and stores it. A run that
// could not be stored says why in `stored`; the screen tells the teacher.
RunOutcome JudgeRun(int level, int32_t runTime);

} // namespace karuvel
