#pragma once
// Screen changes: only one screen is active at a time; the screen that leaves
// shows the next one and then closes itself. Each module registers how its
// screens are made; the navigator creates, shows, activates and closes them.
#include <QPointer>
#include <QWidget>
#include <functional>

namespace karuvel {

enum class ScreenId {
    Splash,          // Firstfrm
    NameSelection,   // namesel
    Dashboard,       // seisekitime1
    Drill,           // MainFrm
    Finish,          // FrmSyuuryou
    CriteriaEditor,  // FrmTimeData
    RecordsManager,  // FrmData
    Interim,         // stands in for screens not built yet
};

namespace screens {
using Factory = std::function<QWidget*()>;
void registerFactory(ScreenId id, Factory factory);
bool isRegistered(ScreenId id);
// Creates the screen when it is not loaded, shows it full screen, raises it and
// runs its activation. Returns the screen.
QWidget* show(ScreenId id);
// The same, with `prepare` given the screen before it is shown and activated
// (what it is to show: the run just recorded for the finish screen).
QWidget* show(ScreenId id, const std::function<void(QWidget*)>& prepare);
// Closes and unloads the screen (nothing when it is not loaded).
void close(ScreenId id);
// A screen change asked for by a handler: `change` (closes, shows) runs from
// the event loop once the handler asking for it has returned, so that no
// screen is closed under its own handler.
void request(std::function<void()> change);
// The loaded screen, or nullptr.
QWidget* find(ScreenId id);
template <typename T>
T* findAs(ScreenId id) { return qobject_cast<T*>(find(id)); }
// A screen is never deleted while one of its own handlers runs. A handler
// that gives the event loop a turn (a wait kept responsive, a yield) holds a
// Handling of its screen for as long as it runs: a close of the screen
// meanwhile (another button of it, another screen taking over) hides it and
// takes it off the loaded screens at once, and deletes it only once the last
// of its running handlers has returned. After every turn the handler asks
// whether its screen is still open, and when it is not it returns without
// going on with its work. The drill and the finish screen never yield (their
// waits are timers, their screen changes requests); the dashboard's views,
// the records manager and the summary panel still do, to paint their
// progress, and through the results file's responsive waits, message boxes
// and print dialogs.
class Handling {
public:
    explicit Handling(QWidget* screen);
    ~Handling();
    Handling(const Handling&) = delete;
    Handling& operator=(const Handling&) = delete;

private:
    QPointer<QWidget> screen_;
};
// False once the screen has been closed (it may still await deletion).
[[nodiscard]] bool isOpen(const QWidget* screen);
// Gives the event loop a turn for a handler of the screen (which is kept
// alive meanwhile); whether the screen is still open afterwards.
[[nodiscard]] bool yieldFor(QWidget* screen);
// The clock's responsive wait for a handler of the screen; whether the
// screen is still open afterwards.
[[nodiscard]] bool waitFor(QWidget* screen, int ms);
// Windows are shown full screen unless KARUVEL_WINDOWED is set.
void showTopLevel(QWidget* w);
// Unloads every screen (program end, tests).
void closeAll();
} // namespace screens

// Tells the user why the program cannot go on (a message box with the title
// and text), closes every screen and ends the program with the code.
[[noreturn]] void stopProgram(const QString& title, const QString& text, int exitCode = 1);

// The wait window "しばらくお待ちください。", shown while a screen change takes a moment.
void ShowWait();
void CloseWait();
bool waitShown();

} // namespace karuvel
