#pragma once

#include <limits>
#include <vector>

#include "model/BoundingBox.h"
#include "model/SpatialObject.h"

// One node of the spatial index over a path's points and segments. The root
// lives inside the TrackPath; the index owns every object stored in it.
class OctreeNode {
public:
    static constexpr int MaxDepth = 5;  // the root is depth 1; depth-5 nodes never split
    // Each node keeps its objects by layer (the z of their boxes: points at
    // 0.0, segments at 1.0), so that a hit test for points never reads a
    // segment and the other way round.
    static constexpr int Layers = 2;
    static int LayerOf(const BoundingBox& b) { return b.minZ >= 0.5f ? 1 : 0; }

    explicit OctreeNode(const BoundingBox& box);
    ~OctreeNode();
    OctreeNode(const OctreeNode&) = delete;
    OctreeNode& operator=(const OctreeNode&) = delete;

    // Stores the object in the deepest node (up to MaxDepth) whose octant holds it whole.
    void Insert(SpatialObject* object, int depth = 1);
    // Inserts the objects in their order, as one Insert each would, but gives
    // every node's items their final size at once: loading a million points
    // then leaves neither spare room nor freed smaller arrays behind.
    void InsertAll(const std::vector<SpatialObject*>& objects);
    // Closes the gaps (null items) that a copy may leave, keeping the order of
    // the rest and each object's slot right.
    void Compact();
    // Takes the object out of its own node; with destroy, deletes it too.
    void Remove(SpatialObject* object, bool destroy);
    // Appends every object whose bounds overlap q: the node's own (layer 0,
    // then layer 1), then its children's.
    void Query(const BoundingBox& q, std::vector<SpatialObject*>& out) const;
    // Calls found(object) for each object Query would append, in the same order,
    // so that a hit test needs no list of its own.
    template <typename Found>
    void Visit(const BoundingBox& q, Found&& found) const;
    // The root of the tree this node is part of.
    const OctreeNode* Root() const { return root; }

    // Creates empty children with the same boxes as source's, recursively, and
    // takes over what source knows of its layers' z extents.
    void CopyLayout(const OctreeNode& source);

    // Children in octant order 1..8 (index 0..7), null until first needed.
    OctreeNode* children[8] = {};
    BoundingBox box;
    // The objects stored here, by layer. Vectors rather than sets: each object
    // knows its slot in its layer's vector, so removal is constant-time and a
    // million inserts stay cheap.
    std::vector<SpatialObject*> items[Layers];
    float center[3];

private:
    BoundingBox ChildBox(int k) const;
    // The node below this one (depth given) that Insert would store the box in.
    OctreeNode* Home(const BoundingBox& b, int depth);
    void ReserveIncoming();
    void Place(SpatialObject* object);

    const OctreeNode* root = this;

    // Per layer, the z extent (low, high) of everything ever stored there. It
    // never shrinks, so a query that misses it cannot meet any of the layer's
    // objects, whatever z their boxes have; empty until the first object.
    static constexpr float Inf = std::numeric_limits<float>::infinity();
    float layerZ[Layers][2] = {{Inf, -Inf}, {Inf, -Inf}};
    std::size_t incoming[Layers] = {};  // counted by InsertAll before it fills the items
};

template <typename Found>
void OctreeNode::Visit(const BoundingBox& q, Found&& found) const
{
    // The boxes are read through the item pointers, one cache miss each unless
    // fetched ahead; the overlap test is spelled out so the loop stays tight.
    constexpr std::size_t Ahead = 4;
    for (int layer = 0; layer < Layers; ++layer) {
        if (layerZ[layer][0] > q.maxZ || layerZ[layer][1] < q.minZ)
            continue;
        SpatialObject* const* it = items[layer].data();
        const std::size_t n = items[layer].size();
        for (std::size_t i = 0; i < n; ++i) {
            if (i + Ahead < n)
                __builtin_prefetch(&it[i + Ahead]->bounds);
            const BoundingBox& b = it[i]->bounds;
            if (b.minX <= q.maxX && b.maxX >= q.minX && b.minY <= q.maxY && b.maxY >= q.minY &&
                b.minZ <= q.maxZ && b.maxZ >= q.minZ)
                found(it[i]);
        }
    }

    const float cx = center[0], cy = center[1], cz = center[2];
    auto visit = [&](int octant) {
        if (const OctreeNode* child = children[octant - 1])
            child->Visit(q, found);
    };
    // Upper z half: octants 1, 5, 3, 7; then the lower half: 2, 6, 4, 8.
    for (int zHalf = 0; zHalf < 2; ++zHalf) {
        const bool reach = zHalf == 0 ? cz <= q.maxZ : cz >= q.minZ;
        if (!reach)
            continue;
        const int off = zHalf;  // octants of the lower z half are one higher
        if (cy <= q.maxY) {
            if (cx >= q.minX) visit(1 + off);
            if (cx <= q.maxX) visit(5 + off);
        }
        if (cy >= q.minY) {
            if (cx >= q.minX) visit(3 + off);
            if (cx <= q.maxX) visit(7 + off);
        }
    }
}
