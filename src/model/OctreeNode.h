#pragma once

#include <vector>

#include "model/BoundingBox.h"

class SpatialObject;

// One node of the spatial index over a path's points and segments. The root
// lives inside the TrackPath; the index owns every object stored in it.
class OctreeNode {
public:
    static constexpr int MaxDepth = 5;  // the root is depth 1; depth-5 nodes never split

    explicit OctreeNode(const BoundingBox& box);
    ~OctreeNode();
    OctreeNode(const OctreeNode&) = delete;
    OctreeNode& operator=(const OctreeNode&) = delete;

    // Stores the object in the deepest node (up to MaxDepth) whose octant holds it whole.
    void Insert(SpatialObject* object, int depth = 1);
    // Takes the object out of its own node; with destroy, deletes it too.
    void Remove(SpatialObject* object, bool destroy);
    // Appends every object whose bounds overlap q, node first, then children.
    void Query(const BoundingBox& q, std::vector<SpatialObject*>& out) const;
    // Creates empty children with the same boxes as source's, recursively.
    void CopyLayout(const OctreeNode& source);

    // Children in octant order 1..8 (index 0..7), null until first needed.
    OctreeNode* children[8] = {};
    BoundingBox box;
    // The objects stored here. A vector rather than a set: each object knows its
    // slot, so removal is constant-time and a million inserts stay cheap.
    std::vector<SpatialObject*> items;
    float center[3];

private:
    BoundingBox ChildBox(int k) const;
};
