#include "drill/MapSurface.h"

#include <cstring>
#include <vector>

namespace karuvel {

void MapSurface::load(const QImage& image)
{
    clean_ = image.convertToFormat(QImage::Format_RGB32);
    image_ = clean_.copy();
    setDetail(QImage());
}

bool MapSurface::setDetail(const QImage& detail)
{
    cleanDetail_ = QImage();
    detail_ = QImage();
    detailScale_ = 1;
    if (detail.isNull() || clean_.isNull()) return detail.isNull();
    const int scale = detail.width() / clean_.width();
    if (scale < 2 || detail.size() != clean_.size() * scale) return false;
    cleanDetail_ = detail.convertToFormat(QImage::Format_RGB32);
    detail_ = cleanDetail_.copy();
    detailScale_ = scale;
    // Fills made before stay on the larger picture too.
    std::vector<uint8_t> changed(size_t(width()) * size_t(height()), 0);
    bool any = false;
    for (int y = 0; y < height(); ++y)
        for (int x = 0; x < width(); ++x)
            if (colourAt(x, y) != (clean_.pixel(x, y) & 0xFFFFFF)) changed[size_t(y) * size_t(width()) + size_t(x)] = any = true;
    if (any) {
        // Each filled patch in turn: the pixels of one colour that were filled together.
        for (int y = 0; y < height(); ++y)
            for (int x = 0; x < width(); ++x) {
                const size_t i = size_t(y) * size_t(width()) + size_t(x);
                if (!changed[i]) continue;
                const QRgb before = clean_.pixel(x, y) & 0xFFFFFF;
                std::vector<uint8_t> patch(changed.size(), 0);
                const QRgb now = colourAt(x, y);
                for (size_t j = 0; j < changed.size(); ++j)
                    if (changed[j] && (clean_.pixel(int(j % size_t(width())), int(j / size_t(width()))) & 0xFFFFFF) == before &&
                        colourAt(int(j % size_t(width())), int(j / size_t(width()))) == now)
                        patch[j] = 1, changed[j] = 0;
                const std::vector<uint8_t> big = detailRegion(patch, before);
                auto* bits = reinterpret_cast<QRgb*>(detail_.bits());
                for (size_t j = 0; j < big.size(); ++j)
                    if (big[j]) bits[j] = now | 0xFF000000u;
            }
    }
    return true;
}

std::vector<uint8_t> MapSurface::region(int x, int y) const
{
    const int w = width(), h = height();
    std::vector<uint8_t> out(size_t(w) * size_t(h), 0);
    if (x < 0 || y < 0 || x >= w || y >= h) return out;
    const QRgb c = colourAt(x, y);
    std::vector<QPoint> stack{QPoint(x, y)};
    out[size_t(y) * size_t(w) + size_t(x)] = 1;
    while (!stack.empty()) {
        const QPoint p = stack.back();
        stack.pop_back();
        for (const QPoint d : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
            const QPoint n = p + d;
            if (n.x() < 0 || n.y() < 0 || n.x() >= w || n.y() >= h) continue;
            uint8_t& seen = out[size_t(n.y()) * size_t(w) + size_t(n.x())];
            if (seen || colourAt(n.x(), n.y()) != c) continue;
            seen = 1;
            stack.push_back(n);
        }
    }
    return out;
}

std::vector<uint8_t> MapSurface::detailRegion(const std::vector<uint8_t>& region, QRgb colour) const
{
    const int k = detailScale_, w = width(), h = height();
    const int W = detail_.width(), H = detail_.height();
    std::vector<uint8_t> out(size_t(W) * size_t(H), 0);
    // Where the larger patch may reach: the region and one map pixel round it.
    std::vector<uint8_t> near(region.size(), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (!region[size_t(y) * size_t(w) + size_t(x)]) continue;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (x + dx >= 0 && y + dy >= 0 && x + dx < w && y + dy < h)
                        near[size_t(y + dy) * size_t(w) + size_t(x + dx)] = 1;
        }
    const auto* bits = reinterpret_cast<const QRgb*>(detail_.constBits());
    const QRgb want = colour & 0xFFFFFF;
    std::vector<QPoint> stack;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (!region[size_t(y) * size_t(w) + size_t(x)]) continue;
            bool found = false;
            for (int by = 0; by < k; ++by)
                for (int bx = 0; bx < k; ++bx) {
                    const size_t j = size_t(y * k + by) * size_t(W) + size_t(x * k + bx);
                    if ((bits[j] & 0xFFFFFF) != want || out[j]) continue;
                    out[j] = 1;
                    stack.push_back(QPoint(x * k + bx, y * k + by));
                    found = true;
                }
            if (!found)  // the larger picture has no pixel of the patch here: the block shows it
                for (int by = 0; by < k; ++by)
                    for (int bx = 0; bx < k; ++bx) out[size_t(y * k + by) * size_t(W) + size_t(x * k + bx)] = 1;
        }
    while (!stack.empty()) {
        const QPoint p = stack.back();
        stack.pop_back();
        for (const QPoint d : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
            const QPoint n = p + d;
            if (n.x() < 0 || n.y() < 0 || n.x() >= W || n.y() >= H) continue;
            const size_t j = size_t(n.y()) * size_t(W) + size_t(n.x());
            if (out[j] || (bits[j] & 0xFFFFFF) != want || !near[size_t(n.y() / k) * size_t(w) + size_t(n.x() / k)]) continue;
            out[j] = 1;
            stack.push_back(n);
        }
    }
    return out;
}

QImage MapSurface::patchMask(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width() || y >= height()) return {};
    const std::vector<uint8_t> small = region(x, y);
    const std::vector<uint8_t> mask = detailScale_ > 1 ? detailRegion(small, colourAt(x, y)) : small;
    const QImage& pic = shown();
    QImage out(pic.size(), QImage::Format_Alpha8);
    for (int row = 0; row < pic.height(); ++row) {
        uchar* line = out.scanLine(row);
        for (int col = 0; col < pic.width(); ++col) line[col] = mask[size_t(row) * size_t(pic.width()) + size_t(col)] ? 255 : 0;
    }
    return out;
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
    if (detailScale_ > 1)
        std::memcpy(detail_.bits(), cleanDetail_.constBits(), size_t(cleanDetail_.sizeInBytes()));
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
    if (detailScale_ > 1) {
        // The same patch on the larger picture, found before the map changes.
        const std::vector<uint8_t> big = detailRegion(region(x, y), target);
        auto* detailBits = reinterpret_cast<QRgb*>(detail_.bits());
        for (size_t j = 0; j < big.size(); ++j)
            if (big[j]) detailBits[j] = paint;
    }

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
