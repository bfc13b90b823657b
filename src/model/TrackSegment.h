#pragma once

#include <cstddef>

#include "model/PathElement.h"
#include "model/SpatialObject.h"

class TrackPoint;

// The link between two consecutive points of the chain.
class TrackSegment final : public SpatialObject, public PathElement {
public:
    TrackSegment(TrackPoint* from, TrackPoint* to);

    // Recomputes the x/y extent from the current endpoints (the layer stays 1).
    void UpdateBounds();

    TrackPoint* from;
    TrackPoint* to;

    // From a pool, like the points.
    static void* operator new(std::size_t size);
    static void operator delete(void* p, std::size_t size) noexcept;
};
