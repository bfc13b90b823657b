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
    // Inserts the objects in their order, as one Insert each would, but gives
    // every node's items their final size at once: loading a million points
    // then leaves neither spare room nor freed smaller arrays behind.
    void InsertAll(const std::vector<SpatialObject*>& objects);
    // Closes the gaps (null items) that a copy may leave, keeping the order of
    // the rest and each object's slot right.
    void Compact();
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
    // The node below this one (depth given) that Insert would store the box in.
    OctreeNode* Home(const BoundingBox& b, int depth);
    void ReserveIncoming();

    std::size_t incoming = 0;  // counted by InsertAll before it fills the items
};
