// The invariants of a path: every point and segment in the index once, with its own
// bounds, inside the octant its node stands for and in the deepest node that holds
// it whole; an unbroken chain from the first point to the last.
#include <functional>
#include <limits>
#include <set>
#include <sstream>

#include "model/OctreeNode.h"
#include "model/TrackPath.h"
#include "model/TrackPoint.h"
#include "model/TrackSegment.h"

std::string CheckPathInvariants(const TrackPath& path)
{
    std::ostringstream bad;
    std::set<const SpatialObject*> indexed;
    std::size_t stored = 0;
    // region: where the octant tests on the way down let a node's objects lie (a new
    // path's root box is a single point, so node boxes cannot say that).
    std::function<void(const OctreeNode&, int, BoundingBox)> walk = [&](const OctreeNode& node, int depth,
                                                                        BoundingBox region) {
        if (depth > OctreeNode::MaxDepth)
            bad << "node too deep; ";
        const float* c = node.center;
        if (c[0] < region.minX || c[0] > region.maxX || c[1] < region.minY || c[1] > region.maxY ||
            c[2] < region.minZ || c[2] > region.maxZ)
            bad << "node centre outside its octant; ";
        for (std::size_t i = 0; i < node.items.size(); ++i, ++stored) {
            const SpatialObject* o = node.items[i];
            const BoundingBox& b = o->bounds;
            if (!indexed.insert(o).second || o->node != &node || o->slot != i)
                bad << "object indexed twice or with a stale node or slot; ";
            if (b.minX < region.minX || b.maxX > region.maxX || b.minY < region.minY || b.maxY > region.maxY ||
                b.minZ < region.minZ || b.maxZ > region.maxZ)
                bad << "object outside its node's octant; ";
            if (depth < OctreeNode::MaxDepth && (b.maxX <= c[0] || b.minX >= c[0]) &&
                (b.maxY <= c[1] || b.minY >= c[1]) && (b.maxZ <= c[2] || b.minZ >= c[2]))
                bad << "object above the deepest node that holds it; ";
        }
        for (int k = 0; k < 8; ++k) {
            if (!node.children[k])
                continue;
            BoundingBox octant = region;  // 1-4 low x; 1, 2, 5, 6 high y; odd octants high z
            (k < 4 ? octant.maxX : octant.minX) = c[0];
            ((k % 4) < 2 ? octant.minY : octant.maxY) = c[1];
            (k % 2 == 0 ? octant.minZ : octant.maxZ) = c[2];
            walk(*node.children[k], depth + 1, octant);
        }
    };
    const float inf = std::numeric_limits<float>::infinity();
    walk(path.index, 1, BoundingBox(-inf, -inf, -inf, inf, inf, inf));

    auto at = [](const SpatialObject& o, const TrackPoint& from, const TrackPoint& to, float z) {
        const BoundingBox b(from.x, from.y, z, to.x, to.y, z), &a = o.bounds;
        return a.minX == b.minX && a.minY == b.minY && a.minZ == b.minZ && a.maxX == b.maxX && a.maxY == b.maxY &&
               a.maxZ == b.maxZ;
    };
    std::size_t n = 0, segments = 0;
    const TrackPoint* previous = nullptr;
    std::set<const TrackPoint*> seen;
    for (const TrackPoint* p : path.points) {
        ++n;
        if (!seen.insert(p).second) {
            bad << "point listed twice; ";
            break;  // the chain runs in a circle: walking on would never end
        }
        if (!indexed.count(p) || !at(*p, *p, *p, 0))
            bad << "point " << n << " not indexed where it stands; ";
        const TrackSegment* s = p->prevSegment;
        if (previous && (!s || s != previous->nextSegment || s->from != previous || s->to != p))
            bad << "link into point " << n << " broken; ";
        else if (!previous && s)
            bad << "first point has a previous segment; ";
        if (previous && s && (++segments, !indexed.count(s) || !at(*s, *s->from, *s->to, 1)))
            bad << "segment into point " << n << " not indexed where it stands; ";
        previous = p;
    }
    if (previous != path.points.back() || (previous && previous->nextSegment))
        bad << "the chain does not end at its last point; ";
    if (n != path.points.size() || stored != n + segments || indexed.size() != n + segments)
        bad << "index holds " << stored << " objects for " << n << " points and " << segments << " segments; ";
    return bad.str();
}
