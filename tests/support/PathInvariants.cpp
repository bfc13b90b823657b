#include "support/PathInvariants.h"

#include <functional>
#include <limits>
#include <set>
#include <sstream>

#include "model/OctreeNode.h"
#include "model/TrackPath.h"
#include "model/TrackPoint.h"
#include "model/TrackSegment.h"

namespace {

bool SameBox(const BoundingBox& a, const BoundingBox& b)
{
    return a.minX == b.minX && a.minY == b.minY && a.minZ == b.minZ && a.maxX == b.maxX &&
           a.maxY == b.maxY && a.maxZ == b.maxZ;
}

}  // namespace

std::string CheckPathInvariants(const TrackPath& path)
{
    std::ostringstream problems;

    // Every object in the index, with the node holding it.
    std::set<const SpatialObject*> indexed;
    std::size_t indexedCount = 0;
    // region: where the octant tests on the way down allow a node's objects to lie. Node
    // boxes cannot be used for that: a new path's root box is a single point, so its
    // children's boxes are empty although they hold whole octants.
    std::function<void(const OctreeNode&, int, const BoundingBox&)> walk = [&](const OctreeNode& node,
                                                                               int depth,
                                                                               const BoundingBox& region) {
        if (depth > OctreeNode::MaxDepth)
            problems << "node deeper than " << OctreeNode::MaxDepth << "; ";
        for (std::size_t i = 0; i < node.items.size(); ++i) {
            const SpatialObject* object = node.items[i];
            ++indexedCount;
            if (!indexed.insert(object).second)
                problems << "object indexed twice; ";
            if (object->node != &node)
                problems << "object's node is not the node holding it; ";
            if (object->slot != i)
                problems << "object's slot is stale; ";
            const BoundingBox& b = object->bounds;
            if (b.minX < region.minX || b.maxX > region.maxX || b.minY < region.minY ||
                b.maxY > region.maxY || b.minZ < region.minZ || b.maxZ > region.maxZ)
                problems << "object outside its node's octant; ";
        }
        for (int k = 0; k < 8; ++k) {
            if (!node.children[k])
                continue;
            BoundingBox octant = region;  // octants 1-4 low x; 1, 2, 5, 6 high y; odd ones high z
            (k < 4 ? octant.maxX : octant.minX) = node.center[0];
            ((k % 4) < 2 ? octant.minY : octant.maxY) = node.center[1];
            (k % 2 == 0 ? octant.minZ : octant.maxZ) = node.center[2];
            walk(*node.children[k], depth + 1, octant);
        }
    };
    // The root may hold anything.
    const float inf = std::numeric_limits<float>::infinity();
    BoundingBox everywhere;
    everywhere.minX = everywhere.minY = everywhere.minZ = -inf;
    everywhere.maxX = everywhere.maxY = everywhere.maxZ = inf;
    walk(path.index, 1, everywhere);

    std::size_t n = 0;
    const TrackPoint* previous = nullptr;
    std::set<const TrackPoint*> seen;
    std::size_t segments = 0;
    for (const TrackPoint* p : path.points) {
        ++n;
        if (!seen.insert(p).second) {
            problems << "point listed twice; ";
            break;  // the chain runs in a circle: walking on would never end
        }
        if (!indexed.count(p))
            problems << "point " << n << " not indexed; ";
        if (!SameBox(p->bounds, BoundingBox(p->x, p->y, 0, p->x, p->y, 0)))
            problems << "point " << n << " bounds do not match its position; ";
        if (previous == nullptr) {
            if (p->prevSegment)
                problems << "first point has a previous segment; ";
        } else {
            const TrackSegment* s = p->prevSegment;
            if (!s || s != previous->nextSegment || s->from != previous || s->to != p)
                problems << "link between points " << n - 1 << " and " << n << " broken; ";
            if (s) {
                ++segments;
                if (!indexed.count(s))
                    problems << "segment " << n - 1 << " not indexed; ";
                else if (!SameBox(s->bounds, BoundingBox(s->from->x, s->from->y, 1, s->to->x, s->to->y, 1)))
                    problems << "segment " << n - 1 << " bounds do not match its ends; ";
            }
        }
        previous = p;
    }
    if (previous && previous->nextSegment)
        problems << "last point has a next segment; ";
    if (n != path.points.size())
        problems << "count mismatch; ";
    if (indexedCount != n + segments || indexed.size() != n + segments)
        problems << "index holds " << indexedCount << " objects for " << n << " points and " << segments
                 << " segments; ";
    return problems.str();
}
