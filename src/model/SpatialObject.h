#pragma once

#include <cstddef>

#include "model/BoundingBox.h"

class OctreeNode;

// An object as the spatial index sees it.
class SpatialObject {
public:
    virtual ~SpatialObject() = default;

    BoundingBox bounds;
    OctreeNode* node = nullptr;  // the node whose items hold this object, while indexed
    std::size_t slot = 0;        // its position in node->items, for constant-time removal
};
