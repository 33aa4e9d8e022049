#pragma once
// When a level counts as cleared for a pupil: the points and the runs within
// the level's recent period (as the last recount left them) reach the level's
// clear points and clear count. The finish screen's "このレベルクリア", the
// dashboard's "クリア" mark and the opening of the next level all ask this.
#include "state/ProgramState.h"

namespace karuvel {

// False for a level outside 1..35 or a pupil outside the roster's range.
bool levelClearedRecently(const ProgramState& s, int level, int pupil);

} // namespace karuvel
