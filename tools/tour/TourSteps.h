#pragma once
// What a tour through the real screens does between its steps: it lets the
// program run (its timers, its screen changes), waits for a state with a
// limit, and takes a picture of the whole screen into the tour's folder.
// Shared by the README's tour and the teachers' tour.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QString>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace karuvel::tour {

// The tool's name in its messages, and the folder its pictures go to.
inline const char* toolName = "karuvel-tour";
inline QString outDir;

// Lets the program run for ms milliseconds.
inline void runFor(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}

inline bool waitUntil(const std::function<bool()>& ready, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!ready()) {
        if (t.elapsed() > ms) return false;
        runFor(50);
    }
    return true;
}

[[noreturn]] inline void fail(const char* what)
{
    std::fprintf(stderr, "%s: %s\n", toolName, what);
    std::exit(1);
}

// Saves the whole screen as outDir/name, once the last paint has had settleMs
// to reach the server, and prints the file's path.
inline void picture(const QString& name, int settleMs)
{
    runFor(settleMs);
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
    const QString path = QDir(outDir).filePath(name);
    if (!shot.save(path)) fail("a picture could not be saved");
    std::printf("%s\n", qPrintable(path));
}

} // namespace karuvel::tour
