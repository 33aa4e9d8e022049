#include "records/ClearRule.h"

namespace karuvel {

bool levelClearedRecently(const ProgramState& s, int level, int pupil)
{
    if (level < 1 || level > kMaxLevel || !validPupil(pupil)) return false;
    return s.RecentPoints(level, pupil) >= s.ClearPoints[level] && s.RecentCount(level, pupil) >= s.ClearCount[level];
}

} // namespace karuvel
