#include "model/BoundingBox.h"

#include <algorithm>

BoundingBox::BoundingBox(float x1, float y1, float z1, float x2, float y2, float z2)
    : minX(std::min(x1, x2)), minY(std::min(y1, y2)), minZ(std::min(z1, z2)),
      maxX(std::max(x1, x2)), maxY(std::max(y1, y2)), maxZ(std::max(z1, z2))
{
}

bool BoundingBox::Overlaps(const BoundingBox& q) const
{
    return minX <= q.maxX && minY <= q.maxY && minZ <= q.maxZ &&
           maxX >= q.minX && maxY >= q.minY && maxZ >= q.minZ;
}
