// How long a pupil waits in a run, each from the event to the frame drawn:
// - press_next: a right press to the next question drawn (its prompt painted),
//   against the right-answer cue's own length (cue_ms);
// - last_finish: the last right press to the finish screen's first frame,
//   against that cue plus the one-second pause before the finish screen;
// - cue: starting a cue to its end, against its length.
// Everything is real but the screen: the real clock, the real SDL sound
// player (on SDL's dummy device unless SDL_AUDIODRIVER says otherwise; the
// device opens and stays open as in the program), the demo school's level 1
// with its map, and the offscreen platform. The right-answer cue is the demo
// school's first one, the only one offered, so its length is known.
// Counters (ms; median with _min and _max): press_next, press_next_over_cue
// (press_next less the cue), last_finish, last_finish_over (less the cue and
// the pause), cue, cue_over (less its length), cue_ms (the cue's length).
//
// The file builds against the drill of before and after sounds stopped
// holding the window (the seams differ; the few lines that differ choose by
// what the types offer), so that both can be measured in turn:
//   bench/answer_waits.sh BEFORE_BUILD AFTER_BUILD
#include "Fakes.h"
#include "Spread.h"
#include "dashboard/Register.h"
#include "drill/MainFrm.h"
#include "drill/Register.h"
#include "frame/Catalogue.h"
#include "frame/Configuration.h"
#include "frame/Navigator.h"
#include "frame/SmallWindows.h"
#include "platform/Platform.h"
#include "records/RunFlow.h"
#include "state/ProgramState.h"
// The finish screen and StartRun came with the records once; they come with the drill now.
#if __has_include("drill/FinishScreen.h")
#include "drill/FinishScreen.h"
#else
#include "records/Register.h"
#define KARUVEL_FINISH_WITH_RECORDS 1
#endif

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QMouseEvent>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

using namespace karuvel;

namespace {

double nowMs()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The length of a PCM WAV file in milliseconds (0 when it cannot be read).
double wavLengthMs(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QByteArray b = f.readAll();
    auto u32 = [&](int at) { return quint32(uchar(b[at])) | quint32(uchar(b[at + 1])) << 8 | quint32(uchar(b[at + 2])) << 16 | quint32(uchar(b[at + 3])) << 24; };
    if (b.size() < 12 || !b.startsWith("RIFF")) return 0;
    double byteRate = 0;
    for (int at = 12; at + 8 <= b.size();) {
        const QByteArray id = b.mid(at, 4);
        const quint32 size = u32(at + 4);
        if (id == "fmt " && at + 16 <= b.size()) byteRate = u32(at + 8 + 8);
        if (id == "data") return byteRate > 0 ? 1000.0 * double(size) / byteRate : 0;
        at += 8 + int(size) + int(size & 1);
    }
    return 0;
}

// The question asked now: the run's, or (before runs were objects of their own) the window's.
template <class W>
int askedNow(W* f)
{
    if constexpr (requires { f->run()->currentQuestion(); })
        return f->run() ? f->run()->currentQuestion() : 0;
    else
        return f->CurrentQuestion;
}

// Plays one cue to its end through the player in force and returns the
// milliseconds from its start to its end (-1 on failure): a player that
// reports the end, or (as before) one that returns at the end.
template <class P>
double timeCue(P& player, const QString& path)
{
    const double t0 = nowMs();
    if constexpr (requires { player.start(path, typename P::Ended()); }) {
        double t1 = -1;
        bool failed = false;
        if (player.start(path, [&](int result) {
                t1 = nowMs();
                failed = result != 0;
            }) != 0)
            return -1;
        QTimer wake;  // the loop below sleeps until an event comes: this one comes every 100 ms
        wake.start(100);
        while (t1 < 0 && nowMs() - t0 < 10000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return failed ? -1 : t1 - t0;
    } else {
        return player.play(path) == 0 ? nowMs() - t0 : -1;
    }
}

// A demo school made by the demo maker, its configuration loaded into the
// program state and a pupil signed in. The right-answer cue is one file.
struct School {
    QTemporaryDir dir;
    QString cue;  // the right-answer cue's file
    QString error;

    School()
    {
        // The built program's folder holds the levels' files; the path file is the school's own.
        QString maker = qEnvironmentVariable("KARUVEL_MAKE_DEMO");
        QString programFolder = qEnvironmentVariable("KARUVEL_PROGRAM_FOLDER");
#ifdef KARUVEL_MAKE_DEMO_PATH
        if (maker.isEmpty()) maker = QStringLiteral(KARUVEL_MAKE_DEMO_PATH);
        if (programFolder.isEmpty()) programFolder = QFileInfo(QStringLiteral(KARUVEL_PROGRAM_PATH)).absolutePath();
#endif
        const QString root = dir.path() + QStringLiteral("/school");
        const QString pathFile = dir.path() + QStringLiteral("/パスデータ.txt");
        qputenv("KARUVEL_PATH_FILE", pathFile.toUtf8());
        for (const QStringList& args : {QStringList{root},
                                        QStringList{QStringLiteral("--path-file"), pathFile, root}}) {
            QProcess p;
            p.start(maker, args);
            if (!p.waitForFinished(120000) || p.exitCode() != 0) {
                error = QStringLiteral("the demo school could not be made with ") + maker;
                return;
            }
        }
        LoadConfigurationFrom(programFolder);
        ProgramState& s = state();
        SoundSlot& correct = s.SoundNames[2];
        if (correct.count < 1) {
            error = QStringLiteral("the demo school has no right-answer cue");
            return;
        }
        correct.count = 1;
        cue = s.SoundFolder.toText() + correct.files[1] + QStringLiteral(".wav");
        s.CurrentPupil = 1;
        s.CurrentPupilName = QStringLiteral("ベンチ　太郎").leftJustified(20, QLatin1Char(' '));
        s.SignInTime = Loose(karuvel::clock().secondsSinceMidnight());
        applyLevelCatalogue();
    }
};

// Notes the first frame drawn of what is waited for, as the event that draws it comes.
class FrameWatch : public QObject {
public:
    std::function<bool(QWidget*)> awaited;  // whether a frame of this widget is the one
    double drawnAt = -1;

protected:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::Paint && drawnAt < 0 && awaited && o->isWidgetType() &&
            awaited(static_cast<QWidget*>(o)))
            drawnAt = nowMs();
        return false;
    }
};

using Samples = karuvel::bench::Spread;

// Turns the event loop until the frame has been drawn (ten seconds at most).
bool waitForFrame(const FrameWatch& watch)
{
    QTimer wake;  // the loop below sleeps until an event comes: this one comes every 100 ms
    wake.start(100);
    const double t0 = nowMs();
    while (watch.drawnAt < 0 && nowMs() - t0 < 10000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return watch.drawnAt >= 0;
}

void registerScreens()
{
    static bool done = false;
    if (done) return;
    done = true;
    registerFrameScreens();
#ifdef KARUVEL_FINISH_WITH_RECORDS
    registerRecordsScreens();
#endif
    registerDrillScreens();
    registerDashboardScreens();
}

void BM_AnswerWaits(benchmark::State& st)
{
    if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER")) qputenv("SDL_AUDIODRIVER", "dummy");
    School school;
    if (!school.error.isEmpty()) {
        st.SkipWithError(school.error.toStdString().c_str());
        return;
    }
    registerScreens();
    // A message (a file that cannot be read) ends the measurement instead of waiting for a click.
    test::FakeMessageBox box;
    IMessageBox* realBox = platform().messages;
    platform().messages = &box;
    const auto restore = qScopeGuard([&] { platform().messages = realBox; });
    const double cueMs = wavLengthMs(school.cue);
    FrameWatch watch;
    qApp->installEventFilter(&watch);
    std::map<std::string, Samples> f;

    for (auto _ : st) {
        state().SelectedLevel = 1;
        state().PracticeMode = Loose(0);
        StartRun();
        QTest::qWait(200);  // the drill on screen and settled
        auto* drill = screens::findAs<MainFrm>(ScreenId::Drill);
        if (!drill || askedNow(drill) < 1) {
            st.SkipWithError(box.shown.isEmpty() ? "the drill did not start" : box.shown.front().second.toStdString().c_str());
            break;
        }
        double runMs = 0;
        bool last = false;
        while (!last) {
            drill = screens::findAs<MainFrm>(ScreenId::Drill);
            if (!drill) break;
            const int asked = askedNow(drill);
            const Question& q = drill->content().table.at(asked);
            QWidget* finish = nullptr;
            watch.drawnAt = -1;
            const QPointer<MainFrm> alive(drill);
            watch.awaited = [&finish, asked, alive](QWidget* w) {
                if (QWidget* fs = screens::find(ScreenId::Finish); fs && w->window() == fs->window() && fs->isVisible()) {
                    finish = fs;
                    return true;
                }
                // The next question's prompt: its name slot drawn once another question is asked.
                return alive && w->objectName() == QLatin1String("LblNuritubusi2") && w->window() == alive->window() &&
                       askedNow(alive.data()) != asked;
            };
            const double t0 = nowMs();
            QTest::mouseClick(drill->PicNuritubusiPic, Qt::LeftButton, {}, QPoint(q.seedX, q.seedY));
            if (!waitForFrame(watch) || !box.shown.isEmpty()) {
                st.SkipWithError(box.shown.isEmpty() ? "no frame came after a press"
                                                     : box.shown.front().second.toStdString().c_str());
                qApp->removeEventFilter(&watch);
                return;
            }
            const double ms = watch.drawnAt - t0;
            runMs += ms;
            last = finish != nullptr;
            if (last) {
                f["last_finish"].v.push_back(ms);
                f["last_finish_over"].v.push_back(ms - cueMs - 1000.0);
            } else {
                f["press_next"].v.push_back(ms);
                f["press_next_over_cue"].v.push_back(ms - cueMs);
            }
        }
        st.SetIterationTime(runMs / 1000.0);
        watch.awaited = nullptr;
        QTest::qWait(3000);  // the finish screen's own cue and work done
        screens::closeAll();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    qApp->removeEventFilter(&watch);
    // The cue alone, through the same player (its device already open).
    for (int i = 0; i < 10; ++i) {
        const double ms = timeCue(*platform().sound, school.cue);
        if (ms < 0) {
            st.SkipWithError("the cue did not play");
            return;
        }
        f["cue"].v.push_back(ms);
        f["cue_over"].v.push_back(ms - cueMs);
    }
    for (const auto& [name, samples] : f) samples.put(st, name);
    st.counters["cue_ms"] = cueMs;
}

BENCHMARK(BM_AnswerWaits)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
