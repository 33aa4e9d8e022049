#include "drill/MapZoom.h"

#include <algorithm>
#include <cmath>

namespace karuvel {

double zoomStepIn(double zoom)
{
    for (double z : kZoomSteps)
        if (z > zoom + 1e-9) return z;
    return kMaxZoom;
}

double zoomStepOut(double zoom)
{
    double below = kMinZoom;
    for (double z : kZoomSteps)
        if (z < zoom - 1e-9) below = z;
    return below;
}

QSize zoomedSize(QSize map, double zoom)
{
    return QSize(int(std::ceil(map.width() * zoom - 1e-9)), int(std::ceil(map.height() * zoom - 1e-9)));
}

QPoint mapPixelAt(QPointF viewportPoint, QPoint position, double zoom)
{
    const QPointF onMap = (viewportPoint - QPointF(position)) / zoom;
    return QPoint(int(std::floor(onMap.x())), int(std::floor(onMap.y())));
}

QPointF viewportPointOf(QPoint mapPixel, QPoint position, double zoom)
{
    return QPointF(position) + (QPointF(mapPixel) + QPointF(0.5, 0.5)) * zoom;
}

QRectF viewportRectOf(QPoint mapPixel, QPoint position, double zoom)
{
    return QRectF(QPointF(position) + QPointF(mapPixel) * zoom, QSizeF(zoom, zoom));
}

namespace {
int clampedAxis(int at, int viewport, int map)
{
    const int low = std::min(0, viewport - map);
    const int high = std::max(0, viewport - map);
    return std::clamp(at, low, high);
}
} // namespace

QPoint clampedPosition(QPoint position, QSize viewport, QSize zoomedMap)
{
    return QPoint(clampedAxis(position.x(), viewport.width(), zoomedMap.width()),
                  clampedAxis(position.y(), viewport.height(), zoomedMap.height()));
}

QPoint positionAfterZoom(QPointF anchor, QPoint position, double oldZoom, double newZoom, QSize viewport,
                         QSize map)
{
    // The map point under the anchor, in map pixels with a fraction.
    const QPointF onMap = (anchor - QPointF(position)) / oldZoom;
    const QPointF moved = anchor - onMap * newZoom;
    const QPoint rounded(int(std::lround(moved.x())), int(std::lround(moved.y())));
    return clampedPosition(rounded, viewport, zoomedSize(map, newZoom));
}

QPoint positionCentring(QPoint mapPixel, double zoom, QSize viewport, QSize map)
{
    const QPointF centre = (QPointF(mapPixel) + QPointF(0.5, 0.5)) * zoom;
    const QPoint at(int(std::lround(viewport.width() / 2.0 - centre.x())),
                    int(std::lround(viewport.height() / 2.0 - centre.y())));
    return clampedPosition(at, viewport, zoomedSize(map, zoom));
}

double zoomShowingBoth(QPoint a, QPoint b, double zoom, QSize viewport, int margin)
{
    double best = kMinZoom;
    for (double z : kZoomSteps) {
        if (z > zoom + 1e-9) break;
        const double w = (std::abs(a.x() - b.x()) + 1) * z + 2 * margin;
        const double h = (std::abs(a.y() - b.y()) + 1) * z + 2 * margin;
        if (w <= viewport.width() && h <= viewport.height()) best = z;
    }
    return best;
}

bool pixelInView(QPoint mapPixel, QPoint position, double zoom, QSize viewport, int margin)
{
    const QPointF p = viewportPointOf(mapPixel, position, zoom);
    return p.x() >= margin && p.y() >= margin && p.x() <= viewport.width() - margin
        && p.y() <= viewport.height() - margin;
}

CaptionBlock placeCaptionsAway(QPoint pointer, QSize viewport, QSize size7, QSize size8, QSize size9)
{
    const int w = std::max({size7.width(), 10 + size8.width(), 20 + size9.width()});
    const int h = size7.height() + size8.height() + size9.height();
    const int W = viewport.width(), H = viewport.height(), m = kCaptionMargin;
    const bool pointerLeft = pointer.x() < W / 2;
    int left = pointerLeft ? W - w - m : m;
    int top = std::clamp(pointer.y() - size7.height() / 2, m, std::max(m, H - h - m));
    const QRect keepFree(pointer.x() - kCaptionClearance, pointer.y() - kCaptionClearance, 2 * kCaptionClearance,
                         2 * kCaptionClearance);
    if (QRect(left, top, w, h).intersects(keepFree)) {
        // Too wide to stand beside: along the top or bottom edge away from the pointer.
        top = pointer.y() < H / 2 ? H - h - m : m;
        left = std::clamp(pointerLeft ? W - w - m : m, m, std::max(m, W - w - m));
    }
    CaptionBlock b;
    b.label7 = QPoint(left, top);
    b.label8 = QPoint(left + 10, top + size7.height());
    b.label9 = QPoint(left + 20, top + size7.height() + size8.height());
    b.block = QRect(left, top, w, h);
    return b;
}

} // namespace karuvel
