#pragma once
// The statistics recomputed from the results file, and the points of a run.
#include "records/ResultsFile.h"

#include <QDateTime>

namespace karuvel {

// Base points of a run from its time and the level's target time (0..55):
// 5 at the target rising to 55 at 0 s, 4 below twice the target, 1 below ten
// times it, else 0; 0 for a time over (above kLastRealTime) and for a target of 0 or
// less (a level without a target earns nothing).
int runBasePoints(long long time, long long targetTime);
// Points of a run: the base times the multiplier (formed in single precision,
// as the multiplier is held), rounded down.
long long runPoints(long long time, long long targetTime, float multiplier);
// The recount's variant: the formula uses the time figure (the first three
// digits of the time) in place of the time.
long long recordPoints(long long time, long long targetTime, float multiplier);
// The time figure: the decimal text of t cut to its first three characters.
long long timeFigure(long long time);

// Rebuilds every [level][pupil] table of the state and TopTime from the
// results file: the records held in memory are brought up to date
// (refreshResults; a failure is returned before any table is written),
// then recounted from memory.
ResultsError RecountAll();
// The recount from the records held in memory alone, without reading the
// file (RecountAll's second step).
void recountHeld();

} // namespace karuvel
