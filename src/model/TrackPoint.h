#pragma once

#include <cstddef>
#include <new>

#include "model/PathElement.h"
#include "model/SpatialObject.h"

class TrackSegment;

// One control point of the chain: position, half-width and segment type.
class TrackPoint final : public SpatialObject, public PathElement {
public:
    // Parts of a point's drawing; 2 and 4 match the flag bits.
    static constexpr int DrawMarker = 1;
    static constexpr int DrawSelectedRing = 2;
    static constexpr int DrawHighlightRing = 4;
    static constexpr int DrawCentreLine = 8;
    static constexpr int DrawRightBorder = 16;
    static constexpr int DrawLeftBorder = 32;
    static constexpr int DrawStartLine = 64;

    TrackPoint(float x, float y, float w, int type);
    // Takes the values, flags and edge points; links are not copied.
    TrackPoint(const TrackPoint& src);
    TrackPoint& operator=(const TrackPoint&) = delete;

    // The two edge points from the position, the half-width and the neighbours.
    // Reads the previous point's leftEdge, so points are computed in chain order.
    void ComputeEdges();

    // The degenerate box at the point's position (layer 0).
    void SetBounds();

    TrackPoint* PrevPoint() const;
    TrackPoint* NextPoint() const;

    float x, y, w;
    int type;
    // Until first computed these hold the point's own position, so a point that
    // never gets edges (a lone point, coincident neighbours) still draws sanely.
    float leftEdge[2];
    float rightEdge[2];
    TrackSegment* prevSegment = nullptr;
    TrackSegment* nextSegment = nullptr;

    // Points come from a pool: a path may hold millions, and every snapshot copies them all.
    static void* operator new(std::size_t size);
    static void* operator new(std::size_t size, const std::nothrow_t&) noexcept;
    static void operator delete(void* p, std::size_t size) noexcept;
    static void operator delete(void* p, const std::nothrow_t&) noexcept;
};
