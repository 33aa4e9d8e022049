#pragma once
// The playing time of a WAV file, read from its header: what a player needs
// to know when a sound will have ended without asking the sound device.
#include <QtGlobal>

#include <optional>

class QIODevice;

namespace karuvel {

// Milliseconds of sound in the WAV file read from `file` (opened for reading,
// at any position): the data chunk's bytes, as far as the file holds them,
// over the format's bytes per second. Nothing when it is not a WAV file (no
// RIFF/WAVE header, no format before the data, a chunk running past the end).
std::optional<qint64> wavLengthMs(QIODevice& file);

} // namespace karuvel
