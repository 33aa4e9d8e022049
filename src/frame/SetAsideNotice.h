#pragma once
// Tells, once, of the journals of interrupted rewrites that the record layer
// found beside the results file and set aside instead of applying (they were
// not made for the file as it is: copied from another folder, an old copy, or
// one a sync tool brought back). Every screen that reads the results file
// calls this after its reading; each journal is told on the PC that set it
// aside, once.
namespace karuvel {

// Shows one message naming the journals set aside since the last call; does
// nothing when there are none. Call only with no lock of the file held.
void tellSetAsideJournals();

} // namespace karuvel
