#pragma once
// Sound cues. Each starts its sound and returns at once; `ended` runs once
// the sound has played, or at once when it cannot be played.
#include <QString>
#include <functional>
#include <optional>

namespace karuvel {

// How an answer cue ended. Three failures in a row pass silently; the fourth
// sets `stop`: the message "音声がでません。先生を呼びなさい。" with the
// player's error text, after which the screen that played the cue ends the
// program (stopProgram in frame/Navigator.h).
struct CueEnd {
    std::optional<QString> stop;
};
using CueEnded = std::function<void(const CueEnd&)>;
inline const QString kSoundErrorTitle = QStringLiteral("音声エラー");

void PlayCorrect(CueEnded ended);
void PlayWrong(CueEnded ended);
// The finish screen's cues ignore failures.
void PlayTopRecord(std::function<void()> ended = {});
void PlayPersonalBest(std::function<void()> ended = {});
void PlayNoRecord(std::function<void()> ended = {});
void PlayCleared(std::function<void()> ended = {});

} // namespace karuvel
