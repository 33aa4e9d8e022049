#pragma once
// The map drawing surface: the level's image with whatever has been filled on
// it, and the clean image it is reset from. Coordinates are image pixels.
#include <QImage>
#include <QRgb>

namespace karuvel {

// Colours of the map drill (0xRRGGBB).
namespace mapcolour {
constexpr QRgb Question = 0xFF0000;   // area of the question / under the mouse, right answer
constexpr QRgb Corrected = 0x8080FF;  // correct area after a wrong answer
constexpr QRgb Pressed = 0xFF8080;    // area the pupil pressed
constexpr QRgb Black = 0x000000;      // borders and outlines
constexpr QRgb Outside = 0xFFFFFFFF;  // what a point outside the image reads as (no colour)
} // namespace mapcolour

// The sea is probed here on every map.
constexpr int kSeaProbeX = 10;
constexpr int kSeaProbeY = 10;

class MapSurface {
public:
    // Takes the level image as the clean map and puts it on the surface.
    void load(const QImage& image);
    // Puts the clean map back on the surface, wiping every fill.
    void reset();
    // The colour (0xRRGGBB) at a pixel, or mapcolour::Outside off the image.
    QRgb colourAt(int x, int y) const;
    // Fills the 4-connected patch of exactly the colour found at (x, y) with
    // the given colour. Returns the number of pixels changed.
    int fill(int x, int y, QRgb colour);

    const QImage& image() const { return image_; }
    const QImage& clean() const { return clean_; }
    int width() const { return image_.width(); }
    int height() const { return image_.height(); }

private:
    QImage clean_;
    QImage image_;
};

} // namespace karuvel
