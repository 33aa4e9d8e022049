#pragma once
// Which place a press or the pointer on a map level takes. A child's finger
// (or a shaky mouse) often lands a pixel or two beside a three-pixel river:
// a point on no place but close to one counts as a point on the nearest place.
#include "drill/MapSurface.h"
#include "drill/Questions.h"

#include <QPoint>
#include <optional>

namespace karuvel {

// How far (in map pixels, straight-line distance) a press may land beside a place.
constexpr int kPressReach = 4;

// True when the pixel belongs to a place (classifyPixel: not off the map, the
// sea, a border or a sample colour).
bool isPlacePixel(const MapSurface& surface, const QuestionTable& table, int x, int y);

// The point whose place a press at (x, y) takes: (x, y) itself on a place;
// otherwise the nearest place pixel within `reach` (ties go to the first in
// reading order: upper row first, then left); nothing when no place is that
// near, as on the open sea.
std::optional<QPoint> nearestPlacePoint(const MapSurface& surface, const QuestionTable& table, int x, int y,
                                        int reach = kPressReach);

} // namespace karuvel
