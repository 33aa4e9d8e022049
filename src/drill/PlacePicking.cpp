#include "drill/PlacePicking.h"

#include "drill/DrillLogic.h"

namespace karuvel {

bool isPlacePixel(const MapSurface& surface, const QuestionTable& table, int x, int y)
{
    return classifyPixel(surface, table, x, y) == PixelKind::Place;
}

std::optional<QPoint> nearestPlacePoint(const MapSurface& surface, const QuestionTable& table, int x, int y, int reach)
{
    if (isPlacePixel(surface, table, x, y)) return QPoint(x, y);
    std::optional<QPoint> best;
    int bestD2 = reach * reach + 1;
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx) {
            const int d2 = dx * dx + dy * dy;
            if (d2 >= bestD2 || !isPlacePixel(surface, table, x + dx, y + dy)) continue;
            bestD2 = d2;
            best = QPoint(x + dx, y + dy);
        }
    return best;
}

} // namespace karuvel
