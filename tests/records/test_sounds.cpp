// Sound cues: the file each cue plays, the random choice within a category,
// the failure rule of the answer cues, and the real player on SDL.
#include "Fakes.h"
#include "TempDir.h"
#include "platform/SoundPlayer.h"
#include "records/Sounds.h"
#include "state/ProgramState.h"

#include <QFile>
#include <QtEndian>
#include <gtest/gtest.h>

#include <csignal>

using namespace karuvel;
using namespace karuvel::test;

namespace {

class SoundsTest : public ::testing::Test {
protected:
    FakePlatform fakes;
    void SetUp() override
    {
        ProgramState& s = state();
        s.SoundFolder = Loose(QStringLiteral("/snd/"));
        auto fill = [&](int slot, QStringList names) {
            s.SoundNames[slot].count = int(names.size());
            for (int i = 0; i < names.size(); ++i) s.SoundNames[slot].files[i + 1] = names[i];
        };
        fill(2, {QStringLiteral("ok1"), QStringLiteral("ok2"), QStringLiteral("ok3")});
        fill(4, {QStringLiteral("ng1")});
        fill(8, {QStringLiteral("best1"), QStringLiteral("best2")});
        fill(10, {});
    }
};

TEST_F(SoundsTest, EachCuePlaysItsFile)
{
    fakes.random.queue = {0.0, 0.5, 0.999, 0.7, 0.6, 0.3};
    PlayCorrect();
    PlayCorrect();
    PlayCorrect();
    PlayWrong();         // one file: always that one
    PlayPersonalBest();  // 0.6 x 2 + 1 = 2
    PlayNoRecord();      // an empty category: no name, a file that cannot play
    PlayTopRecord();
    PlayCleared();
    EXPECT_EQ(fakes.sound.played,
              QStringList({"/snd/ok1.wav", "/snd/ok2.wav", "/snd/ok3.wav", "/snd/ng1.wav", "/snd/best2.wav",
                           "/snd/.wav", QStringLiteral("/snd/最高1.wav"), QStringLiteral("/snd/合格.wav")}));
}

TEST_F(SoundsTest, FourthAnswerCueFailureInARowEndsTheProgram)
{
    fakes.sound.results = {1, 2, 3, 4};
    PlayCorrect();
    PlayWrong();
    PlayCorrect();
    EXPECT_EQ(state().SoundFailures, 3);
    EXPECT_TRUE(fakes.messages.shown.isEmpty());
    EXPECT_THROW(PlayWrong(), ProgramEnded);
    ASSERT_EQ(fakes.messages.shown.size(), 1);
    EXPECT_EQ(fakes.messages.shown[0].first, QStringLiteral("音声エラー"));
    EXPECT_EQ(fakes.messages.shown[0].second, QStringLiteral("音声がでません。先生を呼びなさい。\r\nfake error 4"));
}

TEST_F(SoundsTest, OneSuccessStartsTheFailuresAfresh)
{
    fakes.sound.results = {1, 1, 1, 0, 1, 1, 1};
    for (int i = 0; i < 7; ++i) PlayCorrect();
    EXPECT_EQ(state().SoundFailures, 3);
    EXPECT_TRUE(fakes.messages.shown.isEmpty());
}

TEST_F(SoundsTest, OtherCuesIgnoreFailures)
{
    fakes.sound.results = {1, 1, 1, 1, 1, 1};
    state().SoundFailures = 3;
    PlayTopRecord();
    PlayPersonalBest();
    PlayNoRecord();
    PlayCleared();
    EXPECT_EQ(state().SoundFailures, 3);
    EXPECT_TRUE(fakes.messages.shown.isEmpty());
    EXPECT_EQ(fakes.programEnd.calls, 0);
}

// A short silent 16-bit mono WAV file.
QByteArray wav(int milliseconds)
{
    const int rate = 8000;
    const int samples = rate * milliseconds / 1000;
    QByteArray b;
    auto u32 = [&](uint32_t v) { b.append(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](uint16_t v) { b.append(reinterpret_cast<const char*>(&v), 2); };
    b += "RIFF";
    u32(36 + samples * 2);
    b += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    b += "data";
    u32(samples * 2);
    b += QByteArray(samples * 2, '\0');
    return b;
}

TEST(SdlPlayer, PlaysAFileWhosePathHasBlanksAndReportsFailures)
{
    // The silent device stands in for a sound card on a machine without one.
    if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER")) qputenv("SDL_AUDIODRIVER", "dummy");
    TempDir dir;
    const QString folder = dir.mkdir(QStringLiteral("音 フォルダ"));
    const QString file = folder + QStringLiteral("正解 1.wav");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(wav(60));
    }
    ISoundPlayer& player = realSoundPlayer();
    EXPECT_EQ(player.play(file), 0) << player.errorText(1).toStdString();

    const int missing = player.play(folder + QStringLiteral("ない.wav"));
    EXPECT_NE(missing, 0);
    EXPECT_FALSE(player.errorText(missing).isEmpty());

    const int empty = player.play(folder + QStringLiteral(".wav"));
    EXPECT_NE(empty, 0);

    // Playing leaves the signals alone: the program still ends when the system asks it to.
    for (int sig : {SIGTERM, SIGINT}) {
        struct sigaction now {};
        ASSERT_EQ(sigaction(sig, nullptr, &now), 0);
        EXPECT_EQ(now.sa_handler, SIG_DFL) << sig;
    }
}

} // namespace
