#pragma once

#include <cstdint>

#include "model/BoundingBox.h"

class OctreeNode;

// An object as the spatial index sees it.
class SpatialObject {
public:
    virtual ~SpatialObject() = default;

    BoundingBox bounds;
    OctreeNode* node = nullptr;  // the node whose items hold this object, while indexed
    // Its position in the node's items of its layer, for constant-time removal.
    // 32 bits are plenty and leave room for the flags of a point or segment
    // right after, instead of padding.
    std::uint32_t slot = 0;
};
