#include "model/TrackSegment.h"

#include "model/TrackPoint.h"

TrackSegment::TrackSegment(TrackPoint* fromPoint, TrackPoint* toPoint)
    : from(fromPoint), to(toPoint)
{
    UpdateBounds();
}

void TrackSegment::UpdateBounds()
{
    bounds = BoundingBox(from->x, from->y, 1.0f, to->x, to->y, 1.0f);
}
