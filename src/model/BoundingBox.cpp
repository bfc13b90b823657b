#include "model/BoundingBox.h"

bool BoundingBox::Overlaps(const BoundingBox& q) const
{
    return minX <= q.maxX && minY <= q.maxY && minZ <= q.maxZ &&
           maxX >= q.minX && maxY >= q.minY && maxZ >= q.minZ;
}
