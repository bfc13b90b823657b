// The invariants of a path: every point and segment in the index once, with its own
// bounds, inside the octant its node stands for and in the deepest node that holds
// it whole; an unbroken chain from the first point to the last; edge points, once
// kept, as a fresh pass along the chain gives them, stacked points and all.
#include <functional>
#include <set>
#include <sstream>

#include "support/ModelHarness.h"

static bool Inside(const BoundingBox& b, const BoundingBox& r)
{
    return b.minX >= r.minX && b.maxX <= r.maxX && b.minY >= r.minY && b.maxY <= r.maxY && b.minZ >= r.minZ &&
           b.maxZ <= r.maxZ;
}

std::string CheckPathInvariants(const TrackPath& path)
{
    std::ostringstream bad;
    std::set<const SpatialObject*> indexed;
    std::size_t stored = 0;
    // region: where the octant tests on the way down let a node's objects lie (a new
    // path's root box is a single point, so node boxes cannot say that).
    std::function<void(const OctreeNode&, int, BoundingBox)> walk = [&](const OctreeNode& node, int depth,
                                                                        BoundingBox region) {
        const float* c = node.center;
        if (depth > OctreeNode::MaxDepth || !Inside(BoundingBox(c[0], c[1], c[2], c[0], c[1], c[2]), region))
            bad << "node too deep or its centre outside its octant; ";
        for (int layer = 0; layer < OctreeNode::Layers; ++layer)
            for (std::size_t i = 0; i < node.items[layer].size(); ++i, ++stored) {
                const SpatialObject* o = node.items[layer][i];
                const BoundingBox& b = o->bounds;
                if (!indexed.insert(o).second || o->node != &node || o->slot != i || !Inside(b, region) ||
                    OctreeNode::LayerOf(b) != layer)
                    bad << "object indexed twice, with a stale node, slot or layer, or outside its node's octant; ";
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
    walk(path.index, 1, BoundingBox(-INFINITY, -INFINITY, -INFINITY, INFINITY, INFINITY, INFINITY));

    auto at = [&](const SpatialObject& o, const TrackPoint& from, const TrackPoint& to, float z) {
        const BoundingBox b(from.x, from.y, z, to.x, to.y, z);
        return indexed.count(&o) && Inside(o.bounds, b) && Inside(b, o.bounds);
    };
    std::size_t n = 0;
    const TrackPoint* previous = nullptr;
    for (const TrackPoint* p : path.points) {
        if (++n > path.points.size())
            return bad.str() + "the chain runs longer than its count";  // perhaps in a circle: walking on would never end
        const TrackSegment* s = p->prevSegment;
        if (!at(*p, *p, *p, 0))
            bad << "point " << n << " not indexed where it stands; ";
        if (previous &&
            (!s || s != previous->nextSegment || s->from != previous || s->to != p || !at(*s, *previous, *p, 1)))
            bad << "link into point " << n << " broken or not indexed where it stands; ";
        else if (!previous && s)
            bad << "first point has a previous segment; ";
        previous = p;
    }
    if (previous != path.points.back() || (previous && previous->nextSegment))
        bad << "the chain does not end at its last point; ";
    if (n != path.points.size() || stored != indexed.size() || stored != (n ? 2 * n - 1 : 0))
        bad << "index holds " << stored << " objects for " << n << " points; ";
    if (!bad.str().empty() || !path.EdgesSettled())
        return bad.str();
    // A fresh pass over a copy, which starts from the same edges: a point on top
    // of its neighbours, or alone, keeps them, and the points after it build on them.
    TrackPath fresh(path);
    for (TrackPoint* q : fresh.points)
        q->ComputeEdges();
    n = 0;
    for (auto p = path.points.begin(), q = fresh.points.begin(); p != path.points.end(); ++p, ++q, ++n)
        if (std::memcmp((*p)->leftEdge, (*q)->leftEdge, sizeof(float[2])) != 0 ||
            std::memcmp((*p)->rightEdge, (*q)->rightEdge, sizeof(float[2])) != 0)
            return "edges of point " + std::to_string(n + 1) + " are not what a fresh pass gives";
    return bad.str();
}
