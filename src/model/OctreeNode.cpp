#include "model/OctreeNode.h"

#include "model/SpatialObject.h"

OctreeNode::OctreeNode(const BoundingBox& nodeBox) : box(nodeBox)
{
    center[0] = box.minX + (box.maxX - box.minX) * 0.5f;
    center[1] = box.minY + (box.maxY - box.minY) * 0.5f;
    center[2] = box.minZ + (box.maxZ - box.minZ) * 0.5f;
}

OctreeNode::~OctreeNode()
{
    for (SpatialObject* object : items)
        delete object;
    for (OctreeNode* child : children)
        delete child;
}

BoundingBox OctreeNode::ChildBox(int k) const
{
    const float cx = center[0], cy = center[1], cz = center[2];
    const bool lowX = k < 4;                  // octants 1-4
    const bool highY = (k % 4) < 2;           // octants 1, 2, 5, 6
    const bool highZ = (k % 2) == 0;          // octants 1, 3, 5, 7
    BoundingBox b;
    b.minX = lowX ? box.minX : cx;
    b.maxX = lowX ? cx : box.maxX;
    b.minY = highY ? cy : box.minY;
    b.maxY = highY ? box.maxY : cy;
    b.minZ = highZ ? cz : box.minZ;
    b.maxZ = highZ ? box.maxZ : cz;
    return b;
}

void OctreeNode::Insert(SpatialObject* object, int depth)
{
    if (!object)
        return;
    if (depth < MaxDepth) {
        const BoundingBox& b = object->bounds;
        const float cx = center[0], cy = center[1], cz = center[2];
        const bool fitsLowX = b.maxX <= cx, fitsHighX = b.minX >= cx;
        const bool fitsLowY = b.maxY <= cy, fitsHighY = b.minY >= cy;
        const bool fitsLowZ = b.maxZ <= cz, fitsHighZ = b.minZ >= cz;
        // Octants in order 1..8: x low before high, y high before low, z high before low.
        const bool fits[8] = {
            fitsLowX && fitsHighY && fitsHighZ,  fitsLowX && fitsHighY && fitsLowZ,
            fitsLowX && fitsLowY && fitsHighZ,   fitsLowX && fitsLowY && fitsLowZ,
            fitsHighX && fitsHighY && fitsHighZ, fitsHighX && fitsHighY && fitsLowZ,
            fitsHighX && fitsLowY && fitsHighZ,  fitsHighX && fitsLowY && fitsLowZ,
        };
        for (int k = 0; k < 8; ++k) {
            if (!fits[k])
                continue;
            if (!children[k])
                children[k] = new OctreeNode(ChildBox(k));
            children[k]->Insert(object, depth + 1);
            return;
        }
    }
    object->node = this;
    object->slot = items.size();
    items.push_back(object);
}

void OctreeNode::Remove(SpatialObject* object, bool destroy)
{
    if (!object)
        return;
    OctreeNode* owner = object->node;
    if (!owner || object->slot >= owner->items.size() || owner->items[object->slot] != object)
        return;
    // Swap the last item into the freed slot.
    SpatialObject* last = owner->items.back();
    owner->items[object->slot] = last;
    last->slot = object->slot;
    owner->items.pop_back();
    if (destroy)
        delete object;
}

void OctreeNode::Query(const BoundingBox& q, std::vector<SpatialObject*>& out) const
{
    for (SpatialObject* object : items)
        if (object->bounds.Overlaps(q))
            out.push_back(object);

    const float cx = center[0], cy = center[1], cz = center[2];
    auto visit = [&](int octant) {
        if (const OctreeNode* child = children[octant - 1])
            child->Query(q, out);
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

void OctreeNode::CopyLayout(const OctreeNode& source)
{
    for (int k = 0; k < 8; ++k) {
        if (!source.children[k])
            continue;
        if (!children[k])
            children[k] = new OctreeNode(source.children[k]->box);
        children[k]->CopyLayout(*source.children[k]);
    }
}
