#include "records/Sounds.h"

#include "frame/Navigator.h"
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

int play(const QString& path) { return platform().sound->play(path); }

// The answer cues: three failures in a row pass silently; the fourth tells
// the pupil to call the teacher and ends the program.
void playAnswerCue(const QString& path)
{
    ProgramState& s = state();
    const int result = play(path);
    if (result == 0) {
        s.SoundFailures = 0;
        return;
    }
    if (s.SoundFailures < kSilentFailures) {
        ++s.SoundFailures;
        return;
    }
    messages().inform(QStringLiteral("音声エラー"), QStringLiteral("音声がでません。先生を呼びなさい。") +
                                                       QStringLiteral("\r\n") +
                                                       platform().sound->errorText(result));
    screens::closeAll();
    endProgram(1);
}

} // namespace

void PlayCorrect() { playAnswerCue(randomSoundFile(kCorrectSlot)); }
void PlayWrong() { playAnswerCue(randomSoundFile(kWrongSlot)); }
void PlayTopRecord() { play(soundFile(QStringLiteral("最高1"))); }
void PlayPersonalBest() { play(randomSoundFile(kPersonalBestSlot)); }
void PlayNoRecord() { play(randomSoundFile(kNoRecordSlot)); }
void PlayCleared() { play(soundFile(QStringLiteral("合格"))); }

} // namespace karuvel
