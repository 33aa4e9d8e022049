// Work that can wait until a window is on the screen: the program's first
// frame comes before what it does not need (the window icon, the splash's
// date), and the screen log notes when each screen's first frame is drawn.
#pragma once

#include <QWidget>

#include <functional>

namespace karuvel {

// Runs `then` once the first frame of `window` is drawn: a paint of the window
// or of any control on it (a window covered by its controls is not painted
// itself), once the event that painted it is done; with no window, once the
// program's first frame of any window is drawn. With `latestMs` >= 0,
// `then` runs after that many milliseconds if no frame came by then (a window
// the system never shows). Nothing runs once the window is gone.
void afterFirstFrame(QWidget* window, std::function<void()> then, int latestMs = -1);

} // namespace karuvel
