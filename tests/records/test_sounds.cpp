// Sound cues: the file each cue plays, the random choice within a category,
// the failure rule of the answer cues, and the real player on SDL.
#include "Fakes.h"
#include "TempDir.h"
#include "platform/SoundPlayer.h"
#include "frame/Navigator.h"
#include "records/Sounds.h"
#include "state/ProgramState.h"

#include <QCoreApplication>
#include <QElapsedTimer>
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

// The answer cues' ends as the screens see them: "ok", or the stop message.
struct Ends {
    QStringList seen;
    CueEnded record()
    {
        return [this](const CueEnd& e) { seen << e.stop.value_or(QStringLiteral("ok")); };
    }
};

TEST_F(SoundsTest, EachCuePlaysItsFile)
{
    fakes.random.queue = {0.0, 0.5, 0.999, 0.7, 0.6, 0.3};
    Ends ends;
    PlayCorrect(ends.record());
    PlayCorrect(ends.record());
    PlayCorrect(ends.record());
    PlayWrong(ends.record());  // one file: always that one
    int others = 0;
    PlayPersonalBest([&] { ++others; });  // 0.6 x 2 + 1 = 2
    PlayNoRecord([&] { ++others; });      // an empty category: no name, a file that cannot play
    PlayTopRecord([&] { ++others; });
    PlayCleared();
    EXPECT_EQ(fakes.sound.played,
              QStringList({"/snd/ok1.wav", "/snd/ok2.wav", "/snd/ok3.wav", "/snd/ng1.wav", "/snd/best2.wav",
                           "/snd/.wav", QStringLiteral("/snd/最高1.wav"), QStringLiteral("/snd/合格.wav")}));
    EXPECT_EQ(ends.seen, QStringList({"ok", "ok", "ok", "ok"}));
    EXPECT_EQ(others, 3);
}

// A cue reports its end only when the sound has played: the caller goes on then.
TEST_F(SoundsTest, ACueEndsWhenItsSoundEnds)
{
    fakes.sound.endAtOnce = false;
    Ends ends;
    PlayCorrect(ends.record());
    EXPECT_TRUE(ends.seen.isEmpty());
    fakes.sound.finish();
    EXPECT_EQ(ends.seen, QStringList{"ok"});
    // A sound that could not start ends at once, as a failure.
    fakes.sound.results = {2};
    PlayWrong(ends.record());
    EXPECT_EQ(ends.seen, QStringList({"ok", "ok"}));
    EXPECT_EQ(state().SoundFailures, 1);
    // A sound the player gives up on counts as a failure as well.
    PlayWrong(ends.record());
    fakes.sound.finish(5);
    EXPECT_EQ(state().SoundFailures, 2);
}

TEST_F(SoundsTest, FourthAnswerCueFailureInARowStops)
{
    fakes.sound.results = {1, 2, 3, 4};
    Ends ends;
    PlayCorrect(ends.record());
    PlayWrong(ends.record());
    PlayCorrect(ends.record());
    EXPECT_EQ(state().SoundFailures, 3);
    EXPECT_EQ(ends.seen, QStringList({"ok", "ok", "ok"}));
    PlayWrong(ends.record());
    ASSERT_EQ(ends.seen.size(), 4);
    EXPECT_EQ(ends.seen[3], QStringLiteral("音声がでません。先生を呼びなさい。\r\nfake error 4"));
    // Nothing is shown and nothing ends here: that is the screen's (stopProgram).
    EXPECT_TRUE(fakes.messages.shown.isEmpty());
    EXPECT_EQ(fakes.programEnd.calls, 0);
    EXPECT_THROW(stopProgram(kSoundErrorTitle, ends.seen[3]), ProgramEnded);
    ASSERT_EQ(fakes.messages.shown.size(), 1);
    EXPECT_EQ(fakes.messages.shown[0].first, QStringLiteral("音声エラー"));
    EXPECT_EQ(fakes.messages.shown[0].second, ends.seen[3]);
}

TEST_F(SoundsTest, OneSuccessStartsTheFailuresAfresh)
{
    fakes.sound.results = {1, 1, 1, 0, 1, 1, 1};
    Ends ends;
    for (int i = 0; i < 7; ++i) PlayCorrect(ends.record());
    EXPECT_EQ(state().SoundFailures, 3);
    EXPECT_EQ(ends.seen.count(QStringLiteral("ok")), 7);
}

TEST_F(SoundsTest, OtherCuesIgnoreFailures)
{
    fakes.sound.results = {1, 1, 1, 1, 1, 1};
    state().SoundFailures = 3;
    int ended = 0;
    PlayTopRecord([&] { ++ended; });
    PlayPersonalBest([&] { ++ended; });
    PlayNoRecord([&] { ++ended; });
    PlayCleared([&] { ++ended; });
    EXPECT_EQ(ended, 4);
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

// Whether the SDL2 library is mapped into this process.
bool sdlLoaded()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libSDL2");
}

// A machine where the SDL2 library cannot be loaded: every sound fails as on
// a machine whose device cannot be opened (an error code and its text, no
// end reported), and the program goes on.
TEST(SdlPlayer, ALibraryThatCannotBeLoadedFailsLikeADevice)
{
    TempDir dir;
    QFile f(dir.file(QStringLiteral("正解.wav")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(wav(100));
    f.close();
    SdlSoundPlayer player("libSDL2-not-there.so.0");
    for (int attempt = 0; attempt < 2; ++attempt) {
        bool called = false;
        const int code = player.start(f.fileName(), [&](int) { called = true; });
        EXPECT_NE(code, 0);
        EXPECT_TRUE(player.errorText(code).contains(QStringLiteral("libSDL2-not-there"))) << player.errorText(code).toStdString();
        QCoreApplication::processEvents();
        EXPECT_FALSE(called);
    }
}

// The real player on the silent stand-in device (a machine without a sound
// card): start returns at once, the end is reported from the event loop after
// the sound's length, a sound started meanwhile cuts the one playing short,
// and failures carry a text. The device is opened once and kept.
TEST(SdlPlayer, PlaysWithoutWaitingAndReportsTheEnd)
{
    if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER")) qputenv("SDL_AUDIODRIVER", "dummy");
    TempDir dir;
    const QString folder = dir.mkdir(QStringLiteral("音 フォルダ"));
    auto write = [&](const QString& name, int ms) {
        QFile f(folder + name);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(wav(ms));
        return folder + name;
    };
    const QString shortSound = write(QStringLiteral("正解 1.wav"), 200);
    const QString longSound = write(QStringLiteral("長い.wav"), 3000);
    // Nothing has played in this process yet: SDL is loaded with the first sound, not at the start.
    EXPECT_FALSE(sdlLoaded());
    ISoundPlayer& player = realSoundPlayer();

    struct End {
        int result = -1;
        qint64 at = -1;
    };
    QElapsedTimer clock;
    auto waitFor = [&](const End& e) {
        while (e.result < 0 && clock.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    };
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        End end;
        clock.start();
        ASSERT_EQ(player.start(shortSound, [&](int r) { end = {r, clock.elapsed()}; }), 0)
            << player.errorText(1).toStdString();
        const qint64 started = clock.elapsed();
        EXPECT_EQ(end.result, -1) << "the end is reported from the event loop, not by start";
        if (round == 1) EXPECT_LT(started, 100) << "the device is kept open: a start costs no opening";
        waitFor(end);
        EXPECT_EQ(end.result, 0);
        EXPECT_GE(end.at, 150) << "not before the sound has played";
        EXPECT_LT(end.at, 2000);
    }

    // A sound started while another plays cuts it short; both report an end.
    End first, second;
    clock.start();
    ASSERT_EQ(player.start(longSound, [&](int r) { first = {r, clock.elapsed()}; }), 0);
    ASSERT_EQ(player.start(shortSound, [&](int r) { second = {r, clock.elapsed()}; }), 0);
    EXPECT_EQ(first.result, 0);
    waitFor(second);
    EXPECT_EQ(second.result, 0);
    EXPECT_LT(second.at, 2500) << "the long sound no longer plays";

    bool called = false;
    const int missing = player.start(folder + QStringLiteral("ない.wav"), [&](int) { called = true; });
    EXPECT_NE(missing, 0);
    EXPECT_FALSE(player.errorText(missing).isEmpty());
    const int empty = player.start(folder + QStringLiteral(".wav"), [&](int) { called = true; });
    EXPECT_NE(empty, 0);
    QCoreApplication::processEvents();
    EXPECT_FALSE(called);

    // Playing leaves the signals alone: the program still ends when the system asks it to.
    for (int sig : {SIGTERM, SIGINT}) {
        struct sigaction now {};
        ASSERT_EQ(sigaction(sig, nullptr, &now), 0);
        EXPECT_EQ(now.sa_handler, SIG_DFL) << sig;
    }
}

} // namespace
