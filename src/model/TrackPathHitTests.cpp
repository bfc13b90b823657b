// What lies under the cursor: points, segments and everything in a box.
#include "model/TrackPath.h"

#include <cmath>

#include "model/PixelMapping.h"
#include "model/TrackPoint.h"
#include "model/TrackSegment.h"

bool TrackPath::FindPointsAt(const PixelMapping& mapping, int px, int py, std::vector<TrackPoint*>& out)
{
    float x0, y0, x1, y1;
    if (!mapping.PixelSquareToWorldBox(px, py, 10, x0, y0, x1, y1))
        return false;
    index.Visit(BoundingBox(x0, y0, 0.0f, x1, y1, 0.0f),
                [&out](SpatialObject* hit) { out.push_back(static_cast<TrackPoint*>(hit)); });
    return true;
}

namespace {

enum class Axis { None, Vertical, Horizontal };

// Ends this close on one axis make a segment that runs along the other: there
// the slope and the angles of the general case are of no use.
Axis AlongAxis(const TrackSegment& s)
{
    if (std::fabs(double(s.from->x) - s.to->x) <= 0.01)
        return Axis::Vertical;
    if (std::fabs(double(s.from->y) - s.to->y) <= 0.01)
        return Axis::Horizontal;
    return Axis::None;
}

// Whether the centre of the pick square lies within r of the segment's line.
bool NearSegment(float x0, float y0, float x1, float y1, const TrackSegment& s)
{
    // Along an axis, its box meeting the pick square is near enough.
    if (AlongAxis(s) != Axis::None)
        return true;
    const TrackPoint& a = *s.from;
    const TrackPoint& b = *s.to;
    const double cx = (double(x0) + x1) / 2.0;
    const double cy = (double(y0) + y1) / 2.0;
    const double rx = cx - x1, ry = cy - y1;
    const double r = 0.5 * std::sqrt(rx * rx + ry * ry);
    // The distance below is the centre's distance from the line; found by the
    // cross product it needs no trigonometry, and the answer is taken from it
    // unless it lies too close to r for the two roundings to be sure to agree.
    {
        const double ex = double(b.x) - a.x, ey = double(b.y) - a.y;
        const double fx = cx - a.x, fy = cy - a.y;
        const double len = std::sqrt(ex * ex + ey * ey);
        const double near = std::fabs(fx * ey - fy * ex) / len;
        const double slack = 1e-9 * (std::sqrt(fx * fx + fy * fy) + r);
        if (near < r - slack)
            return true;
        if (near > r + slack)
            return false;
    }
    const double thetaB = std::atan((double(b.y) - a.y) / (double(b.x) - a.x));
    const double dxC = cx - a.x, dyC = cy - a.y;
    const double distCA = std::sqrt(dxC * dxC + dyC * dyC);
    double d = 0.0;
    if (distCA > 0.0) {
        const double thetaC = dxC == 0.0 ? std::atan(1.0) * 2.0 : std::atan(dyC / dxC);
        d = std::fabs(std::sin(thetaC - thetaB)) * distCA;
    }
    return d <= r;
}

}  // namespace

bool TrackPath::FindSegmentsAt(const PixelMapping& mapping, int px, int py,
                               std::vector<TrackSegment*>& out)
{
    float x0, y0, x1, y1;
    if (!mapping.PixelSquareToWorldBox(px, py, 10, x0, y0, x1, y1))
        return false;
    index.Visit(BoundingBox(x0, y0, 1.0f, x1, y1, 1.0f), [&](SpatialObject* hit) {
        auto* s = static_cast<TrackSegment*>(hit);
        if (NearSegment(x0, y0, x1, y1, *s))
            out.push_back(s);
    });
    return true;
}

bool TrackPath::FindInBox(const BoundingBox& box, std::vector<SpatialObject*>& out)
{
    index.Query(box, out);
    return true;
}

void TrackPath::ProjectOntoSegment(const TrackSegment& segment, float x, float y, float& px, float& py)
{
    const TrackPoint& a = *segment.from;
    const TrackPoint& b = *segment.to;
    switch (AlongAxis(segment)) {
    case Axis::Vertical:
        px = a.x, py = y;
        return;
    case Axis::Horizontal:
        px = x, py = a.y;
        return;
    case Axis::None:
        break;
    }
    const double m = (double(b.y) - a.y) / (double(b.x) - a.x);
    const double c = a.y - m * a.x;
    const double mPerp = -1.0 / m;
    const double footX = (y - mPerp * x - c) / (m - mPerp);
    px = float(footX);
    py = float(m * footX + c);
}
