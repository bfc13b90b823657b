// The invariants of a path: every point and segment in the index once, where it stands, and an unbroken chain.
#include <functional>
#include <limits>
#include <set>
#include <sstream>

#include "model/OctreeNode.h"
#include "model/TrackPath.h"
#include "model/TrackPoint.h"
#include "model/TrackSegment.h"

namespace {

bool Same(const BoundingBox& a, const BoundingBox& b)
{
    return a.minX == b.minX && a.minY == b.minY && a.minZ == b.minZ && a.maxX == b.maxX && a.maxY == b.maxY &&
           a.maxZ == b.maxZ;
}

}  // namespace

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
        for (int layer = 0; layer < OctreeNode::Layers; ++layer) {
            for (std::size_t i = 0; i < node.items[layer].size(); ++i, ++stored) {
                const SpatialObject* o = node.items[layer][i];
                const BoundingBox& b = o->bounds;
                if (!indexed.insert(o).second || o->node != &node || o->slot != i || OctreeNode::LayerOf(b) != layer)
                    bad << "object indexed twice or with a stale node, slot or layer; ";
                if (b.minX < region.minX || b.maxX > region.maxX || b.minY < region.minY || b.maxY > region.maxY ||
                    b.minZ < region.minZ || b.maxZ > region.maxZ)
                    bad << "object outside its node's octant; ";
            }
        }
        for (int k = 0; k < 8; ++k) {
            if (!node.children[k])
                continue;
            BoundingBox octant = region;  // 1-4 low x; 1, 2, 5, 6 high y; odd octants high z
            (k < 4 ? octant.maxX : octant.minX) = node.center[0];
            ((k % 4) < 2 ? octant.minY : octant.maxY) = node.center[1];
            (k % 2 == 0 ? octant.minZ : octant.maxZ) = node.center[2];
            walk(*node.children[k], depth + 1, octant);
        }
    };
    const float inf = std::numeric_limits<float>::infinity();
    walk(path.index, 1, BoundingBox(-inf, -inf, -inf, inf, inf, inf));

    std::size_t n = 0, segments = 0;
    const TrackPoint* previous = nullptr;
    std::set<const TrackPoint*> seen;
    for (const TrackPoint* p : path.points) {
        ++n;
        if (!seen.insert(p).second) {
            bad << "point listed twice; ";
            break;  // the chain runs in a circle: walking on would never end
        }
        if (!indexed.count(p) || !Same(p->bounds, BoundingBox(p->x, p->y, 0, p->x, p->y, 0)))
            bad << "point " << n << " not indexed where it stands; ";
        const TrackSegment* s = p->prevSegment;
        if (previous && (!s || s != previous->nextSegment || s->from != previous || s->to != p))
            bad << "link into point " << n << " broken; ";
        else if (!previous && s)
            bad << "first point has a previous segment; ";
        if (previous && s && (++segments, !indexed.count(s) ||
                              !Same(s->bounds, BoundingBox(s->from->x, s->from->y, 1, s->to->x, s->to->y, 1))))
            bad << "segment into point " << n << " not indexed where it stands; ";
        previous = p;
    }
    if (previous && previous->nextSegment)
        bad << "last point has a next segment; ";
    if (n != path.points.size() || stored != n + segments || indexed.size() != n + segments)
        bad << "index holds " << stored << " objects for " << n << " points and " << segments << " segments; ";
    return bad.str();
}
