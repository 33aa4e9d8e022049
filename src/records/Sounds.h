#pragma once
// Sound cues; each plays to its end before it returns.

namespace karuvel {

void PlayCorrect();
void PlayWrong();
void PlayTopRecord();
void PlayPersonalBest();
void PlayNoRecord();
void PlayCleared();

} // namespace karuvel
