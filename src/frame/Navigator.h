#pragma once
// Screen changes: only one screen is active at a time; the screen that leaves
// shows the next one and then closes itself. Each module registers how its
// screens are made; the navigator creates, shows, activates and closes them.
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
// Closes and unloads the screen (nothing when it is not loaded).
void close(ScreenId id);
// The loaded screen, or nullptr.
QWidget* find(ScreenId id);
template <typename T>
T* findAs(ScreenId id) { return qobject_cast<T*>(find(id)); }
// Windows are shown full screen unless KARUVEL_WINDOWED is set.
void showTopLevel(QWidget* w);
// Unloads every screen (program end, tests).
void closeAll();
} // namespace screens

// The wait window "Just a moment, please.", shown while a screen change takes a moment.
void ShowWait();
void CloseWait();
bool waitShown();

} // namespace karuvel
