#pragma once
// A small additive synthesizer for the demo school's sound cues: bell chimes,
// brass fanfares, a soft reed buzz and gentle mallet tones, mixed into one
// mono buffer and written as a 16-bit PCM WAV file at 22050 Hz.
#include <QByteArray>
#include <QString>

#include <vector>

namespace karuvel::demo {

constexpr int kSampleRate = 22050;

// Frequencies of the equal-tempered notes used by the cues (A4 = 440 Hz).
double noteHz(const char* name);

class SoundBuilder {
public:
    // A sound of the given total length in seconds (tails are cut there).
    explicit SoundBuilder(double seconds);

    // A struck chime: bright partials that die away faster than the fundamental.
    void bell(double at, double hz, double level, double ringSeconds);
    // A brass note held for `hold` seconds: the upper harmonics bloom during the
    // attack and a light vibrato sets in on long notes.
    void brass(double at, double hold, double hz, double level);
    // A soft low reed buzz: odd harmonics, two slightly detuned voices.
    void buzz(double at, double hold, double hz, double level);
    // A gentle mallet tone (vibraphone-like) with a slow tremolo.
    void mallet(double at, double hz, double level, double ringSeconds);

    // Adds a small room: two short feedback echoes.
    void room(double amount);

    double seconds() const { return double(samples_.size()) / kSampleRate; }
    // Scales the mix so that its loudest sample reaches `peak` (0..1), fades the
    // last 30 ms to silence and returns the WAV file's bytes.
    QByteArray toWav(double peak) const;

private:
    void addPartial(double at, double hold, double hz, double level, double attack, double decay,
                    double release, double vibratoDepth);
    std::vector<double> samples_;
};

// The WAV file bytes (RIFF, PCM, mono, 16-bit) of samples in -1..1.
QByteArray wavBytes(const std::vector<double>& samples);

// One cue of the demo school: its file name (without ".wav") and its sound.
struct DemoSound {
    QString name;
    QByteArray wav;
};
// Every sound file of the demo school's sound folder.
std::vector<DemoSound> demoSounds();

} // namespace karuvel::demo
