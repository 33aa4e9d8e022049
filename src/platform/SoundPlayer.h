#pragma once
// A synchronous WAV player on SDL2: load the file, queue it on an audio
// device, return when it has played. Failures carry SDL's error text.
#include "platform/Platform.h"

namespace karuvel {

class SdlSoundPlayer : public ISoundPlayer {
public:
    ~SdlSoundPlayer() override;
    int play(const QString& path) override;
    QString errorText(int code) const override;

private:
    bool ensureAudio();
    bool initialised_ = false;
    QString lastError_;
};

ISoundPlayer& realSoundPlayer();

} // namespace karuvel
