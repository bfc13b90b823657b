#include "model/TrackPoint.h"

#include <cmath>

#include "model/ObjectPool.h"
#include "model/TrackSegment.h"

namespace {

ObjectPool& Pool()
{
    // Never destroyed: a point may outlive static destruction.
    static ObjectPool* pool = new ObjectPool(sizeof(TrackPoint), alignof(TrackPoint));
    return *pool;
}

constexpr double CollinearThreshold = 0.01;
constexpr double VerticalBand = 0.01;

struct Vec {
    double x, y;
};

// Unit vector from (x, y) towards the other point, with 32-bit components;
// false when the two positions coincide and there is no direction.
bool UnitTowards(double x, double y, const TrackPoint& other, Vec& out)
{
    const double dx = double(other.x) - x;
    const double dy = double(other.y) - y;
    const double len = std::sqrt(dx * dx + dy * dy);
    if (!(len > 0.0) || !std::isfinite(len))
        return false;
    out.x = float(dx / len);
    out.y = float(dy / len);
    return true;
}

void Store(float* edge, double x, double y)
{
    edge[0] = float(x);
    edge[1] = float(y);
}

}  // namespace

TrackPoint::TrackPoint(float px, float py, float pw, int ptype)
    : x(px), y(py), w(pw), type(ptype), leftEdge{px, py}, rightEdge{px, py}
{
    SetBounds();
}

TrackPoint::TrackPoint(const TrackPoint& src)
    : SpatialObject(), PathElement(src),
      x(src.x), y(src.y), w(src.w), type(src.type), leftEdge{src.leftEdge[0], src.leftEdge[1]},
      rightEdge{src.rightEdge[0], src.rightEdge[1]}
{
    SetBounds();
}

void TrackPoint::SetBounds()
{
    // Spelled out rather than built from two corners: a snapshot makes a
    // point per point of the path, and the box of one position needs no sorting.
    bounds.minX = bounds.maxX = x;
    bounds.minY = bounds.maxY = y;
    bounds.minZ = bounds.maxZ = 0.0f;
}

void* TrackPoint::operator new(std::size_t size)
{
    return Pool().New(size);
}

void* TrackPoint::operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return Pool().Allocate(size);
}

void TrackPoint::operator delete(void* p, std::size_t size) noexcept
{
    Pool().Release(p, size);
}

void TrackPoint::operator delete(void* p, const std::nothrow_t&) noexcept
{
    Pool().Release(p, sizeof(TrackPoint));
}

TrackPoint* TrackPoint::PrevPoint() const
{
    return prevSegment ? prevSegment->from : nullptr;
}

TrackPoint* TrackPoint::NextPoint() const
{
    return nextSegment ? nextSegment->to : nullptr;
}

void TrackPoint::ComputeEdges()
{
    const TrackPoint* prev = PrevPoint();
    const TrackPoint* next = NextPoint();
    const double X[2] = {x, y};
    const double hw = w;

    // A neighbour on top of this point gives no direction: use the other one,
    // and with neither keep the edges as they are.
    Vec u{0, 0}, v{0, 0};
    const bool hasPrev = prev && UnitTowards(X[0], X[1], *prev, u);
    const bool hasNext = next && UnitTowards(X[0], X[1], *next, v);

    if (!hasPrev && !hasNext)
        return;

    if (!hasPrev) {
        // Start of the chain: the left-hand normal of the direction of travel.
        const Vec n{-v.y, v.x};
        Store(leftEdge, X[0] + hw * n.x, X[1] + hw * n.y);
        Store(rightEdge, X[0] - hw * n.x, X[1] - hw * n.y);
        return;
    }

    Vec side{-u.y, u.x};
    if (hasNext) {
        const Vec s{u.x + v.x, u.y + v.y};
        const double len = std::sqrt(s.x * s.x + s.y * s.y);
        if (len > CollinearThreshold)
            side = Vec{float(s.x / len), float(s.y / len)};  // the bisector, into the bend
    }
    const float q1[2] = {float(X[0] + hw * side.x), float(X[1] + hw * side.y)};
    const float q2[2] = {float(X[0] - hw * side.x), float(X[1] - hw * side.y)};

    // Keep the left border on the side of the incoming line where the previous
    // point's left edge lies, so the borders never cross over.
    bool sameSide;
    if (u.x > -VerticalBand && u.x < VerticalBand) {
        const bool a = double(prev->leftEdge[0]) - prev->x > 0.0;
        const bool b = double(q1[0]) - X[0] > 0.0;
        sameSide = a == b;
    } else {
        const double m = u.y / u.x;
        const double c = X[1] - m * X[0];
        const bool a = prev->leftEdge[1] - m * prev->leftEdge[0] - c > 0.0;
        const bool b = q1[1] - m * q1[0] - c > 0.0;
        sameSide = a == b;
    }
    const float* left = sameSide ? q1 : q2;
    const float* right = sameSide ? q2 : q1;
    Store(leftEdge, left[0], left[1]);
    Store(rightEdge, right[0], right[1]);
}
