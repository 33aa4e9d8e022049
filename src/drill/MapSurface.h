#pragma once
// The map drawing surface: the level's image with whatever has been filled on
// it, and the clean image it is reset from. Coordinates are image pixels.
#include <QImage>
#include <QRgb>

#include <cstdint>
#include <vector>

namespace karuvel {

// Colours of the map drill (0xRRGGBB). One language on the map, in the
// answer slots and in the signs: red is the right place (and the "○"),
// violet what was wrongly pressed or chosen (and the "×"). Neither is a
// colour of any map (sea, land, rivers, lakes and areas are blues, cream,
// yellow, orange and green), so the right place cannot pass for a river.
namespace mapcolour {
constexpr QRgb Question = 0xFF0000;   // area of the question / under the mouse, right answer
constexpr QRgb Corrected = 0xFF0000;  // the right area after a wrong answer: the right answer's red
constexpr QRgb Pressed = 0xD264FF;    // area the pupil wrongly pressed: violet
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

    // The larger picture: the same map drawn `scale` times larger, shown on
    // screens that draw the map larger than life. Judging stays on the map
    // itself; every fill made there is made on the larger picture as well (on
    // the matching patch, never more than a map pixel beyond the filled one).
    // An image that is not a whole multiple of the map's size is refused.
    // Returns whether it was taken; a null image removes the larger picture.
    bool setDetail(const QImage& detail);
    int detailScale() const { return detailScale_; }
    // The picture to show: the larger one when there is one, else the map.
    const QImage& shown() const { return detailScale_ > 1 ? detail_ : image_; }
    // The patch under a map pixel, on the shown picture (an 8-bit mask, 255
    // inside the patch, of the shown picture's size); a null image off the map.
    QImage patchMask(int x, int y) const;

private:
    // The 4-connected patch of the colour at (x, y), one byte a map pixel.
    std::vector<uint8_t> region(int x, int y) const;
    // The pixels of the larger picture that show the region's patch (colour
    // `colour` there, within a map pixel of the region), one byte each; map
    // pixels whose block holds none of that colour are taken whole.
    std::vector<uint8_t> detailRegion(const std::vector<uint8_t>& region, QRgb colour) const;

    QImage clean_;
    QImage image_;
    QImage cleanDetail_;
    QImage detail_;
    int detailScale_ = 1;
};

} // namespace karuvel
