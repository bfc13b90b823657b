#pragma once

#include <algorithm>

// Axis-aligned box over (x, y, layer). The third axis is not a height: it keeps
// points (layer 0) and segments (layer 1) apart in the one spatial index.
struct BoundingBox {
    float minX = 0.0f, minY = 0.0f, minZ = 0.0f;
    float maxX = 0.0f, maxY = 0.0f, maxZ = 0.0f;

    BoundingBox() = default;
    // Built from two corners in any order: per axis the smaller value is the min.
    // Inline: every segment a snapshot makes is built through it.
    BoundingBox(float x1, float y1, float z1, float x2, float y2, float z2)
        : minX(std::min(x1, x2)), minY(std::min(y1, y2)), minZ(std::min(z1, z2)),
          maxX(std::max(x1, x2)), maxY(std::max(y1, y2)), maxZ(std::max(z1, z2))
    {
    }

    // True when the boxes share at least one point, bounds included.
    bool Overlaps(const BoundingBox& q) const;
};
