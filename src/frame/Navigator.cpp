#include "frame/Navigator.h"

#include "frame/FirstFrame.h"
#include "frame/Screen.h"
#include "frame/WaitWindow.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <chrono>
#include <ctime>
#include <iterator>
#include <map>
#include <set>

namespace karuvel {

namespace {
struct Registry {
    std::map<ScreenId, screens::Factory> factories;
    std::map<ScreenId, QPointer<QWidget>> loaded;
    std::map<const QWidget*, int> handlers;  // screen -> its handlers now running
    std::set<const QWidget*> closed;         // closed screens not yet deleted
};
Registry& registry()
{
    static Registry r;
    return r;
}
QPointer<QWidget>& waitWindow()
{
    static QPointer<QWidget> w;
    return w;
}

// With KARUVEL_SCREEN_LOG naming a file, every screen shown adds a line with its
// name there: how the package test and the picture script know a screen is up.
// Once the screen's first frame is drawn, the line "drawn <name> <processor
// ms> <clock ms>" follows: the processor time the process has taken so far
// and the monotonic clock (how bench/bench_first_screen times the start).
const QByteArray& screenLog()
{
    static const QByteArray file = qgetenv("KARUVEL_SCREEN_LOG");
    return file;
}

void addToScreenLog(const QByteArray& line)
{
    QFile f(QString::fromLocal8Bit(screenLog()));
    if (f.open(QIODevice::Append | QIODevice::Text)) f.write(line + '\n');
}

void noteShown(ScreenId id, QWidget* w)
{
    if (screenLog().isEmpty()) return;
    static const char* const names[] = {"Firstfrm", "namesel",     "seisekitime1", "MainFrm",
                                        "FrmSyuuryou", "FrmTimeData", "FrmData",   "Interim"};
    const auto i = static_cast<size_t>(id);
    if (i >= std::size(names)) return;
    addToScreenLog(names[i]);
    const QByteArray name(names[i]);
    afterFirstFrame(w, [name] {
        const double cpuMs = double(std::clock()) * 1000.0 / CLOCKS_PER_SEC;
        const double clockMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
        addToScreenLog("drawn " + name + ' ' + QByteArray::number(cpuMs, 'f', 1) + ' ' +
                       QByteArray::number(clockMs, 'f', 1));
    });
}

} // namespace

namespace screens {

void registerFactory(ScreenId id, Factory factory) { registry().factories[id] = std::move(factory); }

bool isRegistered(ScreenId id) { return registry().factories.count(id) != 0; }

void showTopLevel(QWidget* w)
{
    if (qEnvironmentVariableIsSet("KARUVEL_WINDOWED")) {
        w->resize(1024, 768);
        w->show();
    } else {
        // Without a window manager a full-screen request alone keeps the old size.
        if (QScreen* screen = w->screen()) w->setGeometry(screen->geometry());
        w->showFullScreen();
    }
    w->raise();
    w->activateWindow();
}

QWidget* find(ScreenId id)
{
    auto it = registry().loaded.find(id);
    if (it == registry().loaded.end()) return nullptr;
    return it->second.data();
}

QWidget* show(ScreenId id) { return show(id, nullptr); }

QWidget* show(ScreenId id, const std::function<void(QWidget*)>& prepare)
{
    QWidget* w = find(id);
    if (!w) {
        auto f = registry().factories.find(id);
        if (f == registry().factories.end()) return nullptr;
        w = f->second();
        w->setAttribute(Qt::WA_DeleteOnClose, false);
        registry().loaded[id] = w;
    }
    if (prepare) prepare(w);
    showTopLevel(w);
    if (auto* s = qobject_cast<Screen*>(w)) s->activate();
    noteShown(id, w);
    return w;
}

void close(ScreenId id)
{
    QWidget* w = find(id);
    registry().loaded.erase(id);
    if (!w) return;
    w->hide();
    if (!registry().closed.insert(w).second) return;
    QObject::connect(w, &QObject::destroyed, [w] {
        registry().closed.erase(w);
        registry().handlers.erase(w);
    });
    // With a handler of its own on the stack the screen is deleted when the
    // last such handler returns (~Handling); else once the event loop has it.
    if (registry().handlers.count(w) == 0) w->deleteLater();
}

void request(std::function<void()> change)
{
    QMetaObject::invokeMethod(qApp, std::move(change), Qt::QueuedConnection);
}

Handling::Handling(QWidget* screen) : screen_(screen)
{
    if (screen) ++registry().handlers[screen];
}

Handling::~Handling()
{
    QWidget* w = screen_.data();
    if (!w) return;
    auto it = registry().handlers.find(w);
    if (it == registry().handlers.end() || --it->second > 0) return;
    registry().handlers.erase(it);
    // Posted from this handler's own level of the event loop: Qt deletes the
    // screen only after control has returned below it.
    if (registry().closed.count(w) != 0) w->deleteLater();
}

bool isOpen(const QWidget* screen) { return screen && registry().closed.count(screen) == 0; }

bool yieldFor(QWidget* screen)
{
    const Handling running(screen);
    yieldEvents();
    return isOpen(screen);
}

bool waitFor(QWidget* screen, int ms)
{
    const Handling running(screen);
    clock().waitResponsive(ms);
    return isOpen(screen);
}

void closeAll()
{
    auto loaded = registry().loaded;
    for (auto& [id, w] : loaded) close(id);
    CloseWait();
}

} // namespace screens

void stopProgram(const QString& title, const QString& text, int exitCode)
{
    messages().inform(title, text);
    screens::closeAll();
    endProgram(exitCode);
}

void ShowWait()
{
    if (!waitWindow()) waitWindow() = new WaitWindow();
    screens::showTopLevel(waitWindow());
    yieldEvents();
}

void CloseWait()
{
    if (waitWindow()) {
        waitWindow()->hide();
        waitWindow()->deleteLater();
        waitWindow() = nullptr;
    }
}

bool waitShown() { return waitWindow() && waitWindow()->isVisible(); }

} // namespace karuvel
