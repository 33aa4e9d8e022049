#include "platform/WavLength.h"

#include <QBuffer>
#include <QtEndian>
#include <gtest/gtest.h>

#include <optional>

using namespace karuvel;

namespace {

QByteArray le32(quint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray chunk(const char* id, const QByteArray& body, std::optional<quint32> declared = std::nullopt)
{
    QByteArray c = QByteArray(id, 4) + le32(declared.value_or(quint32(body.size()))) + body;
    if (body.size() % 2) c += '\0';
    return c;
}

// A format chunk of plain samples; `average` 0 as some writers leave it.
QByteArray fmt(quint32 rate, quint16 channels, quint16 bits, bool withAverage = true)
{
    QByteArray b(16, '\0');
    const quint16 align = quint16(channels * bits / 8);
    qToLittleEndian<quint16>(1, b.data());
    qToLittleEndian<quint16>(channels, b.data() + 2);
    qToLittleEndian<quint32>(rate, b.data() + 4);
    qToLittleEndian<quint32>(withAverage ? rate * align : 0, b.data() + 8);
    qToLittleEndian<quint16>(align, b.data() + 12);
    qToLittleEndian<quint16>(bits, b.data() + 14);
    return chunk("fmt ", b);
}

QByteArray riff(const QByteArray& chunks, const char* kind = "WAVE")
{
    return "RIFF" + le32(quint32(4 + chunks.size())) + QByteArray(kind, 4) + chunks;
}

std::optional<qint64> lengthOf(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return wavLengthMs(buffer);
}

} // namespace

// The Windows player reports a cue's end when this length has passed: a wrong
// figure would cut the drill's pause short or hold it.
TEST(WavLength, IsTheDataOverTheRate)
{
    const QByteArray second(44100 * 4, '\0');  // 1 s of 16-bit stereo at 44.1 kHz
    struct Case { const char* what; QByteArray file; std::optional<qint64> ms; };
    const Case cases[] = {
        {"plain header", riff(fmt(44100, 2, 16) + chunk("data", second)), 1000},
        {"mono 8-bit, a quarter second", riff(fmt(8000, 1, 8) + chunk("data", QByteArray(2000, '\x80'))), 250},
        {"no average rate: block size times rate",
         riff(fmt(22050, 1, 16, false) + chunk("data", QByteArray(22050, '\0'))), 500},
        {"chunks before the data, one of odd size (padded)",
         riff(chunk("LIST", QByteArray(4097, 'x')) + fmt(44100, 2, 16) + chunk("junk", "abc") +
              chunk("data", second)),
         1000},
        {"data declared longer than the file holds",
         riff(fmt(44100, 2, 16) + chunk("data", second.left(44100), 44100 * 4 * 10)), 250},
        {"data of unknown size (streamed)",
         riff(fmt(44100, 2, 16) + chunk("data", second, 0xFFFFFFFFu)), 1000},
        {"empty data", riff(fmt(44100, 2, 16) + chunk("data", {})), 0},
        {"not RIFF", QByteArray("RIFX") + riff(fmt(44100, 2, 16)).mid(4), std::nullopt},
        {"RIFF but not WAVE", riff(fmt(44100, 2, 16) + chunk("data", second), "AVI "), std::nullopt},
        {"data before any format", riff(chunk("data", second) + fmt(44100, 2, 16)), std::nullopt},
        {"no data chunk", riff(fmt(44100, 2, 16)), std::nullopt},
        {"a chunk running past the end", riff(chunk("LIST", "ab", 1000000) + fmt(44100, 2, 16)), std::nullopt},
        {"format too short", riff(chunk("fmt ", QByteArray(8, '\1')) + chunk("data", second)), std::nullopt},
        {"silent format (rate 0)", riff(fmt(0, 2, 16) + chunk("data", second)), std::nullopt},
        {"truncated header", QByteArray("RIFF\0\0"), std::nullopt},
        {"empty file", QByteArray(), std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(lengthOf(c.file), c.ms) << c.what;
}
