#include "Synth.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace karuvel::demo {

namespace {
constexpr double kTwoPi = 2.0 * std::numbers::pi;
// Partials above this frequency are left out (they would fold back below Nyquist).
constexpr double kHighestPartial = 9500.0;

// A smooth rise from 0 to 1 over `length` seconds (half a cosine).
double rise(double t, double length)
{
    if (length <= 0 || t >= length) return 1.0;
    if (t <= 0) return 0.0;
    return 0.5 - 0.5 * std::cos(std::numbers::pi * t / length);
}
} // namespace

double noteHz(const char* name)
{
    static const int semitones[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    const char* p = name;
    int semitone = semitones[(*p++ - 'A') % 7];
    if (*p == '#') { ++semitone; ++p; }
    else if (*p == 'b') { --semitone; ++p; }
    const int octave = *p - '0';
    const int midi = 12 * (octave + 1) + semitone;
    return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

SoundBuilder::SoundBuilder(double seconds) : samples_(size_t(std::lround(seconds * kSampleRate)), 0.0) {}

void SoundBuilder::addPartial(double at, double hold, double hz, double level, double attack, double decay,
                              double release, double vibratoDepth)
{
    if (hz >= kHighestPartial || level <= 0) return;
    const size_t first = size_t(std::max(0.0, at) * kSampleRate);
    double phase = 0;
    for (size_t i = first; i < samples_.size(); ++i) {
        const double t = double(i - first) / kSampleRate;
        if (t > hold + release) break;
        double env = rise(t, attack) * std::exp(-std::max(0.0, t - attack) / decay);
        if (t > hold) env *= 1.0 - rise(t - hold, release);
        // Vibrato fades in after the first 150 ms of a held note.
        const double vib = vibratoDepth * rise(t - 0.15, 0.2) * std::sin(kTwoPi * 5.5 * t);
        phase += kTwoPi * hz * (1.0 + vib) / kSampleRate;
        samples_[i] += level * env * std::sin(phase);
    }
}

void SoundBuilder::bell(double at, double hz, double level, double ringSeconds)
{
    // (frequency ratio, level, share of the ring time): a glockenspiel-like chime.
    static const double partials[][3] = {
        {1.0, 1.0, 1.0}, {2.0, 0.45, 0.6}, {3.0, 0.22, 0.4}, {4.16, 0.12, 0.25}, {5.43, 0.06, 0.18}};
    for (const auto& p : partials)
        addPartial(at, 1e9, hz * p[0], level * p[1], 0.004, ringSeconds * p[2], 0.0, 0.0);
}

void SoundBuilder::brass(double at, double hold, double hz, double level)
{
    const double vibrato = hold > 0.3 ? 0.004 : 0.0;
    for (int n = 1; n * hz < 8000.0; ++n) {
        const double attack = 0.025 * (1.0 + 0.35 * (n - 1));  // upper harmonics bloom later
        addPartial(at, hold, hz * n, level / std::pow(double(n), 1.4), attack, 3.0, 0.07, vibrato);
    }
}

void SoundBuilder::buzz(double at, double hold, double hz, double level)
{
    for (double detune : {1.0, 1.006}) {
        for (int n = 1; n * hz < 3000.0; ++n) {
            const double shape = (n % 2 == 1) ? 1.0 / n : 0.35 / n;
            const double soften = std::exp(-n * hz / 1800.0);
            addPartial(at, hold, hz * n * detune, 0.5 * level * shape * soften, 0.03, 1.5, 0.08, 0.0);
        }
    }
}

void SoundBuilder::mallet(double at, double hz, double level, double ringSeconds)
{
    addPartial(at, 1e9, hz, level, 0.008, ringSeconds, 0.0, 0.0);
    addPartial(at, 1e9, hz * 2.0, level * 0.12, 0.008, ringSeconds * 0.5, 0.0, 0.0);
    addPartial(at, 1e9, hz * 4.0, level * 0.18, 0.005, ringSeconds * 0.2, 0.0, 0.0);
}

void SoundBuilder::room(double amount)
{
    const size_t d1 = size_t(0.043 * kSampleRate), d2 = size_t(0.071 * kSampleRate);
    for (size_t i = d1; i < samples_.size(); ++i) samples_[i] += 0.30 * amount * samples_[i - d1];
    for (size_t i = d2; i < samples_.size(); ++i) samples_[i] += 0.22 * amount * samples_[i - d2];
}

QByteArray SoundBuilder::toWav(double peak) const
{
    std::vector<double> out = samples_;
    double loudest = 0;
    for (double v : out) loudest = std::max(loudest, std::abs(v));
    const double scale = loudest > 0 ? peak / loudest : 0.0;
    const size_t fade = size_t(0.03 * kSampleRate), fadeIn = size_t(0.002 * kSampleRate);
    for (size_t i = 0; i < out.size(); ++i) {
        double v = out[i] * scale;
        if (i < fadeIn) v *= rise(double(i), double(fadeIn));
        const size_t left = out.size() - i;
        if (left <= fade) v *= rise(double(left - 1), double(fade));
        out[i] = v;
    }
    return wavBytes(out);
}

QByteArray wavBytes(const std::vector<double>& samples)
{
    const quint32 dataBytes = quint32(samples.size() * 2);
    QByteArray b;
    b.reserve(int(44 + dataBytes));
    auto u32 = [&b](quint32 v) {
        char c[4];
        qToLittleEndian(v, c);
        b.append(c, 4);
    };
    auto u16 = [&b](quint16 v) {
        char c[2];
        qToLittleEndian(v, c);
        b.append(c, 2);
    };
    b.append("RIFF", 4);
    u32(36 + dataBytes);
    b.append("WAVE", 4);
    b.append("fmt ", 4);
    u32(16);
    u16(1);  // PCM
    u16(1);  // mono
    u32(kSampleRate);
    u32(kSampleRate * 2);  // bytes per second
    u16(2);                // bytes per sample frame
    u16(16);               // bits per sample
    b.append("data", 4);
    u32(dataBytes);
    for (double v : samples) {
        const long s = std::lround(std::clamp(v, -1.0, 1.0) * 32767.0);
        u16(quint16(qint16(s)));
    }
    return b;
}

namespace {

// Correct answer: the classic two-tone chime, falling.
QByteArray pinpon1()
{
    SoundBuilder s(0.9);
    s.bell(0.00, noteHz("E6"), 1.0, 0.35);
    s.bell(0.16, noteHz("C6"), 1.0, 0.45);
    s.room(0.6);
    return s.toWav(0.7);
}

// Correct answer: a rising two-tone chime.
QByteArray pinpon2()
{
    SoundBuilder s(0.8);
    s.bell(0.00, noteHz("C6"), 0.9, 0.30);
    s.bell(0.12, noteHz("E6"), 1.0, 0.40);
    s.room(0.6);
    return s.toWav(0.7);
}

// Correct answer: a quick sparkle up a major chord.
QByteArray kirari()
{
    SoundBuilder s(0.9);
    const char* notes[] = {"C6", "E6", "G6", "C7"};
    for (int i = 0; i < 4; ++i) s.bell(0.06 * i, noteHz(notes[i]), 0.7 + 0.1 * i, i == 3 ? 0.45 : 0.22);
    s.room(0.7);
    return s.toWav(0.65);
}

// Wrong answer: one soft low buzz.
QByteArray boo1()
{
    SoundBuilder s(0.7);
    s.buzz(0.0, 0.5, noteHz("B2"), 1.0);
    s.room(0.3);
    return s.toWav(0.5);
}

// Wrong answer: a short buzz and a lower, longer one.
QByteArray boo2()
{
    SoundBuilder s(0.75);
    s.buzz(0.00, 0.12, noteHz("D3"), 1.0);
    s.buzz(0.20, 0.38, noteHz("A2"), 1.0);
    s.room(0.3);
    return s.toWav(0.5);
}

// A brass chord held under a melody note.
void chord(SoundBuilder& s, double at, double hold, std::initializer_list<const char*> notes, double level)
{
    for (const char* n : notes) s.brass(at, hold, noteHz(n), level);
}

// Best time of all: up a major chord to a held top note.
QByteArray fanfare1()
{
    SoundBuilder s(1.4);
    s.brass(0.00, 0.11, noteHz("C5"), 1.0);
    s.brass(0.14, 0.11, noteHz("E5"), 1.0);
    s.brass(0.28, 0.11, noteHz("G5"), 1.0);
    s.brass(0.42, 0.75, noteHz("C6"), 1.0);
    chord(s, 0.42, 0.75, {"E5", "G5", "C5"}, 0.45);
    s.room(0.5);
    return s.toWav(0.7);
}

// Best time of all: three repeated notes and a held chord.
QByteArray fanfare2()
{
    SoundBuilder s(1.25);
    s.brass(0.00, 0.09, noteHz("G4"), 1.0);
    s.brass(0.12, 0.09, noteHz("G4"), 1.0);
    s.brass(0.24, 0.09, noteHz("G4"), 1.0);
    s.brass(0.36, 0.70, noteHz("C5"), 1.0);
    chord(s, 0.36, 0.70, {"E4", "G4", "C4"}, 0.45);
    s.room(0.5);
    return s.toWav(0.7);
}

// The top-record cue: a bright fanfare crowned with a chime.
QByteArray topRecord()
{
    SoundBuilder s(1.7);
    s.brass(0.00, 0.10, noteHz("G4"), 0.9);
    s.brass(0.12, 0.10, noteHz("C5"), 0.95);
    s.brass(0.24, 0.10, noteHz("E5"), 1.0);
    s.brass(0.36, 0.20, noteHz("G5"), 1.0);
    s.brass(0.60, 0.85, noteHz("C6"), 1.0);
    chord(s, 0.60, 0.85, {"G5", "E5", "C5", "C4"}, 0.4);
    s.bell(0.60, noteHz("C7"), 0.35, 0.5);
    s.bell(0.75, noteHz("G6"), 0.25, 0.5);
    s.room(0.5);
    return s.toWav(0.72);
}

// The final level cleared: a festive fanfare with two phrases.
QByteArray cleared()
{
    SoundBuilder s(1.95);
    s.brass(0.00, 0.09, noteHz("G4"), 0.9);
    s.brass(0.12, 0.09, noteHz("C5"), 0.95);
    s.brass(0.24, 0.09, noteHz("E5"), 1.0);
    s.brass(0.36, 0.30, noteHz("G5"), 1.0);
    chord(s, 0.36, 0.30, {"E5", "C5"}, 0.4);
    s.brass(0.74, 0.10, noteHz("E5"), 0.95);
    s.brass(0.88, 0.85, noteHz("G5"), 1.0);
    chord(s, 0.88, 0.85, {"C6", "E5", "C5", "C4"}, 0.4);
    s.bell(0.88, noteHz("C7"), 0.3, 0.6);
    s.room(0.5);
    return s.toWav(0.72);
}

// Own best time: a chime arpeggio rising over a mallet bass.
QByteArray arpeggio(std::initializer_list<const char*> notes, double step, double seconds)
{
    SoundBuilder s(seconds);
    int i = 0;
    const int last = int(notes.size()) - 1;
    for (const char* n : notes) {
        s.bell(step * i, noteHz(n), 0.6 + 0.08 * i, i == last ? 0.5 : 0.25);
        ++i;
    }
    s.mallet(0.0, noteHz(*notes.begin()) / 2.0, 0.5, 0.5);
    s.room(0.6);
    return s.toWav(0.68);
}

// No record this time: a gentle two-note on a mallet, no reproach.
QByteArray ponpon(const char* first, const char* second)
{
    SoundBuilder s(0.95);
    s.mallet(0.00, noteHz(first), 1.0, 0.35);
    s.mallet(0.26, noteHz(second), 1.0, 0.45);
    s.room(0.5);
    return s.toWav(0.6);
}

} // namespace

std::vector<DemoSound> demoSounds()
{
    return {
        {QStringLiteral("ピンポン1"), pinpon1()},
        {QStringLiteral("ピンポン2"), pinpon2()},
        {QStringLiteral("キラリ"), kirari()},
        {QStringLiteral("ブー1"), boo1()},
        {QStringLiteral("ブー2"), boo2()},
        {QStringLiteral("ファンファーレ1"), fanfare1()},
        {QStringLiteral("ファンファーレ2"), fanfare2()},
        {QStringLiteral("アルペジオ1"), arpeggio({"C5", "E5", "G5", "C6", "E6"}, 0.08, 1.0)},
        {QStringLiteral("アルペジオ2"), arpeggio({"D5", "F#5", "A5", "D6"}, 0.07, 0.9)},
        {QStringLiteral("アルペジオ3"), arpeggio({"G4", "B4", "D5", "G5", "B5", "D6"}, 0.06, 1.0)},
        {QStringLiteral("ポンポン1"), ponpon("G5", "E5")},
        {QStringLiteral("ポンポン2"), ponpon("C5", "A4")},
        {QStringLiteral("最高1"), topRecord()},
        {QStringLiteral("合格"), cleared()},
    };
}

} // namespace karuvel::demo
