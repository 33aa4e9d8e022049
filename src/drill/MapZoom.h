#pragma once
// The map's zoom: how a point of the viewport (what the pupil sees) maps to a
// pixel of the map image (what is judged), and where the enlarged map stands
// inside the viewport. Judging never sees the zoom: every press is turned
// into a map pixel here first, so a place is taken by the same pixels at
// every zoom.
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSize>

namespace karuvel {

// The zoom steps the +/− buttons, the wheel and a double click walk through.
constexpr double kZoomSteps[] = {1.0, 1.5, 2.0, 3.0, 4.0, 6.0};
constexpr double kMinZoom = 1.0;
constexpr double kMaxZoom = 6.0;

// The next step up (or down) from a zoom; the largest (smallest) stays.
double zoomStepIn(double zoom);
double zoomStepOut(double zoom);

// The size of the map drawn at a zoom (whole screen pixels, rounded up so
// that the last map pixel is drawn whole).
QSize zoomedSize(QSize map, double zoom);

// The map pixel under a point of the viewport, the map standing at
// `position` (its top-left corner in viewport coordinates, <= 0 when the
// enlarged map is scrolled). A point off the map gives a pixel off the map
// (negative, or beyond its size): the surface reads that as no colour.
QPoint mapPixelAt(QPointF viewportPoint, QPoint position, double zoom);
// The viewport point at the centre of a map pixel, and the viewport square a
// map pixel covers.
QPointF viewportPointOf(QPoint mapPixel, QPoint position, double zoom);
QRectF viewportRectOf(QPoint mapPixel, QPoint position, double zoom);

// The position kept inside its bounds: an enlarged map never shows a band of
// nothing at an edge; a map no larger than the viewport moves between its
// left-aligned (top-aligned) place and the opposite edge.
QPoint clampedPosition(QPoint position, QSize viewport, QSize zoomedMap);

// The position after a change of zoom that keeps the map pixel under
// `anchor` (a viewport point: the pointer, or the viewport's centre for the
// buttons) under it, as far as the edges allow.
QPoint positionAfterZoom(QPointF anchor, QPoint position, double oldZoom, double newZoom, QSize viewport,
                         QSize map);

// The position that puts a map pixel in the middle of the viewport (as far
// as the edges allow), at a zoom.
QPoint positionCentring(QPoint mapPixel, double zoom, QSize viewport, QSize map);

// The largest zoom step, no larger than `zoom`, at which two map pixels (the
// pressed place and the right one) both fit in the viewport with a margin
// round them; 1 when none does.
double zoomShowingBoth(QPoint a, QPoint b, double zoom, QSize viewport, int margin);
// True when a map pixel lies in the viewport, at least `margin` from its edges.
bool pixelInView(QPoint mapPixel, QPoint position, double zoom, QSize viewport, int margin);

// Where practice's three captions (name, second name, related places) stand
// on the viewport: stacked as one block (each a little right of the one
// above), on the half of the viewport away from the pointer, level with it
// as far as the edges allow, so that they never cover the place explored or
// its neighbours; when the block is too wide for that half, it goes to the
// top or bottom edge away from the pointer instead. Hidden captions are
// given an empty size.
struct CaptionBlock {
    QPoint label7, label8, label9;
    QRect block;  // the three together
};
constexpr int kCaptionMargin = 6;      // from the viewport's edges
constexpr int kCaptionClearance = 48;  // free space kept round the pointer
CaptionBlock placeCaptionsAway(QPoint pointer, QSize viewport, QSize size7, QSize size8, QSize size9);

} // namespace karuvel
