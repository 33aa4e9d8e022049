#include "drill/MapSurface.h"

#include <cstring>
#include <vector>

namespace karuvel {

void MapSurface::load(const QImage& image)
{
    clean_ = image.convertToFormat(QImage::Format_RGB32);
    image_ = clean_.copy();
}

void MapSurface::reset()
{
    if (image_.size() == clean_.size() && image_.format() == clean_.format() && !image_.isNull()) {
        // Copy the pixels into the surface's own buffer: no allocation on a reset.
        const qsizetype bytes = clean_.sizeInBytes();
        std::memcpy(image_.bits(), clean_.constBits(), size_t(bytes));
    } else {
        image_ = clean_.copy();
    }
}

QRgb MapSurface::colourAt(int x, int y) const
{
    if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return mapcolour::Outside;
    const auto* line = reinterpret_cast<const QRgb*>(image_.constScanLine(y));
    return line[x] & 0xFFFFFF;
}

int MapSurface::fill(int x, int y, QRgb colour)
{
    const int w = image_.width();
    const int h = image_.height();
    if (x < 0 || y < 0 || x >= w || y >= h) return 0;
    auto* bits = reinterpret_cast<QRgb*>(image_.bits());
    const qsizetype stride = image_.bytesPerLine() / qsizetype(sizeof(QRgb));
    const QRgb target = bits[qsizetype(y) * stride + x] | 0xFF000000u;
    const QRgb paint = (colour & 0xFFFFFF) | 0xFF000000u;
    if (target == paint) return 0;

    // Scanline fill: each span of the target colour is filled whole, and the
    // rows above and below are searched for spans that touch it.
    struct Seed {
        int x, y;
    };
    std::vector<Seed> stack;
    stack.reserve(256);
    stack.push_back({x, y});
    int changed = 0;
    while (!stack.empty()) {
        const Seed s = stack.back();
        stack.pop_back();
        QRgb* row = bits + qsizetype(s.y) * stride;
        if (row[s.x] != target) continue;
        int left = s.x;
        while (left > 0 && row[left - 1] == target) --left;
        int right = s.x;
        while (right + 1 < w && row[right + 1] == target) ++right;
        for (int i = left; i <= right; ++i) row[i] = paint;
        changed += right - left + 1;
        for (int ny : {s.y - 1, s.y + 1}) {
            if (ny < 0 || ny >= h) continue;
            const QRgb* other = bits + qsizetype(ny) * stride;
            int i = left;
            while (i <= right) {
                if (other[i] == target) {
                    stack.push_back({i, ny});
                    while (i <= right && other[i] == target) ++i;
                } else {
                    ++i;
                }
            }
        }
    }
    return changed;
}

} // namespace karuvel
