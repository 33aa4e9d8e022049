// The splash picture (640 x 480): a sky, the program's map of Japan and its
// name. It is drawn ahead by tools/splash into assets/splash and built into
// the program, so that the first screen shows without decoding a map or
// setting large type; the program draws it itself only when that picture is
// missing.
#pragma once

#include <QImage>
#include <QPixmap>

namespace karuvel {

constexpr int kSplashWidth = 640;
constexpr int kSplashHeight = 480;

// Draws the picture (what tools/splash writes ahead).
QImage drawSplashPicture();

// The picture drawn ahead, as built into the program; a null image when it
// is not there or not whole. It points into the program's own data.
QImage splashMadeAhead();

// The picture for the splash: the one drawn ahead, or a fresh drawing.
QPixmap splashPicture();

} // namespace karuvel
