#include "records/Sounds.h"

#include "platform/Platform.h"
#include "state/ProgramState.h"

#include <cmath>

namespace karuvel {

namespace {

// Slots of the sound names file played by this program.
constexpr int kCorrectSlot = 2;        // "正解音2"
constexpr int kWrongSlot = 4;          // "間違い音2"
constexpr int kPersonalBestSlot = 8;   // "自己最高音2"
constexpr int kNoRecordSlot = 10;      // "不合格音1"
// Silent failures of the answer cues before the pupil is told.
constexpr int kSilentFailures = 3;

QString soundFile(const QString& name) { return state().SoundFolder.toText() + name + QStringLiteral(".wav"); }

// A file of the slot chosen at random: position = int(r x count) + 1. An
// empty slot gives position 1 and no name, a file the player cannot play.
QString randomSoundFile(int slot)
{
    const SoundSlot& s = state().SoundNames[size_t(slot)];
    const double r = rnd().next();
    const double position = std::floor(r * double(s.count) + 1.0);
    QString name;
    if (position >= 1 && position < double(s.files.size())) name = s.files[size_t(position)];
    return soundFile(name);
}

// Starts the file; `ended` gets the player's result, at the end or at once.
void play(const QString& path, std::function<void(int)> ended)
{
    ISoundPlayer& player = *platform().sound;
    const int started = player.start(path, [ended](int result) {
        if (ended) ended(result);
    });
    if (started != 0 && ended) ended(started);
}

// The answer cues: three failures in a row pass silently; the fourth asks
// for the teacher.
void playAnswerCue(const QString& path, CueEnded ended)
{
    play(path, [ended = std::move(ended)](int result) {
        ProgramState& s = state();
        CueEnd end;
        if (result == 0) {
            s.SoundFailures = 0;
        } else if (s.SoundFailures < kSilentFailures) {
            ++s.SoundFailures;
        } else {
            end.stop = QStringLiteral("音声がでません。先生を呼びなさい。") + QStringLiteral("\r\n") +
                       platform().sound->errorText(result);
        }
        if (ended) ended(end);
    });
}

std::function<void(int)> ignoringResult(std::function<void()> ended)
{
    return [ended = std::move(ended)](int) {
        if (ended) ended();
    };
}

} // namespace

void PlayCorrect(CueEnded ended) { playAnswerCue(randomSoundFile(kCorrectSlot), std::move(ended)); }
void PlayWrong(CueEnded ended) { playAnswerCue(randomSoundFile(kWrongSlot), std::move(ended)); }
void PlayTopRecord(std::function<void()> ended) { play(soundFile(QStringLiteral("最高1")), ignoringResult(std::move(ended))); }
void PlayPersonalBest(std::function<void()> ended) { play(randomSoundFile(kPersonalBestSlot), ignoringResult(std::move(ended))); }
void PlayNoRecord(std::function<void()> ended) { play(randomSoundFile(kNoRecordSlot), ignoringResult(std::move(ended))); }
void PlayCleared(std::function<void()> ended) { play(soundFile(QStringLiteral("合格")), ignoringResult(std::move(ended))); }

} // namespace karuvel
