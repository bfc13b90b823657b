#include "model/TrackSegment.h"

#include "model/ObjectPool.h"
#include "model/TrackPoint.h"

// Every snapshot copies every point and segment: their size is most of its cost.
static_assert(sizeof(TrackSegment) <= 80, "a segment: two bases and two links");
static_assert(sizeof(TrackPoint) <= 112, "a point: two bases, its values, edges and links");

namespace {

ObjectPool& Pool()
{
    // Never destroyed: a segment may outlive static destruction.
    static ObjectPool* pool = new ObjectPool(sizeof(TrackSegment), alignof(TrackSegment));
    return *pool;
}

}  // namespace

TrackSegment::TrackSegment(TrackPoint* fromPoint, TrackPoint* toPoint)
    : from(fromPoint), to(toPoint)
{
    UpdateBounds();
}

void TrackSegment::UpdateBounds()
{
    bounds = BoundingBox(from->x, from->y, 1.0f, to->x, to->y, 1.0f);
}

void* TrackSegment::operator new(std::size_t size)
{
    return Pool().New(size);
}

void TrackSegment::operator delete(void* p, std::size_t size) noexcept
{
    Pool().Release(p, size);
}
