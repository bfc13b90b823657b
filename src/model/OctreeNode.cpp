#include "model/OctreeNode.h"

#include <algorithm>

#include "model/SpatialObject.h"

OctreeNode::OctreeNode(const BoundingBox& nodeBox) : box(nodeBox)
{
    center[0] = box.minX + (box.maxX - box.minX) * 0.5f;
    center[1] = box.minY + (box.maxY - box.minY) * 0.5f;
    center[2] = box.minZ + (box.maxZ - box.minZ) * 0.5f;
}

OctreeNode::~OctreeNode()
{
    for (auto& layer : items)
        for (SpatialObject* object : layer)
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

OctreeNode* OctreeNode::Home(const BoundingBox& b, int depth)
{
    OctreeNode* node = this;
    for (; depth < MaxDepth; ++depth) {
        const float cx = node->center[0], cy = node->center[1], cz = node->center[2];
        const bool fitsLowX = b.maxX <= cx, fitsHighX = b.minX >= cx;
        const bool fitsLowY = b.maxY <= cy, fitsHighY = b.minY >= cy;
        const bool fitsLowZ = b.maxZ <= cz, fitsHighZ = b.minZ >= cz;
        // Octants in order 1..8: x low before high, y high before low, z high before low.
        int k;
        if (fitsLowX && fitsHighY && fitsHighZ) k = 0;
        else if (fitsLowX && fitsHighY && fitsLowZ) k = 1;
        else if (fitsLowX && fitsLowY && fitsHighZ) k = 2;
        else if (fitsLowX && fitsLowY && fitsLowZ) k = 3;
        else if (fitsHighX && fitsHighY && fitsHighZ) k = 4;
        else if (fitsHighX && fitsHighY && fitsLowZ) k = 5;
        else if (fitsHighX && fitsLowY && fitsHighZ) k = 6;
        else if (fitsHighX && fitsLowY && fitsLowZ) k = 7;
        else break;
        if (!node->children[k]) {
            node->children[k] = new OctreeNode(node->ChildBox(k));
            node->children[k]->root = root;
        }
        node = node->children[k];
    }
    return node;
}

void OctreeNode::Place(SpatialObject* object)
{
    const int layer = LayerOf(object->bounds);
    layerZ[layer][0] = std::min(layerZ[layer][0], object->bounds.minZ);
    layerZ[layer][1] = std::max(layerZ[layer][1], object->bounds.maxZ);
    object->node = this;
    object->slot = std::uint32_t(items[layer].size());
    items[layer].push_back(object);
}

void OctreeNode::Insert(SpatialObject* object, int depth)
{
    if (!object)
        return;
    Home(object->bounds, depth)->Place(object);
}

void OctreeNode::ReserveIncoming()
{
    for (int layer = 0; layer < Layers; ++layer) {
        if (incoming[layer]) {
            items[layer].reserve(items[layer].size() + incoming[layer]);
            incoming[layer] = 0;
        }
    }
    for (OctreeNode* child : children)
        if (child)
            child->ReserveIncoming();
}

void OctreeNode::InsertAll(const std::vector<SpatialObject*>& objects)
{
    // First where each object goes (kept in its node field), then room, then the objects.
    for (SpatialObject* object : objects) {
        if (!object)
            continue;
        object->node = Home(object->bounds, 1);
        ++object->node->incoming[LayerOf(object->bounds)];
    }
    ReserveIncoming();
    for (SpatialObject* object : objects)
        if (object)
            object->node->Place(object);
}

void OctreeNode::Compact()
{
    for (auto& layer : items) {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < layer.size(); ++i) {
            SpatialObject* object = layer[i];
            if (!object)
                continue;
            if (kept != i) {
                object->slot = std::uint32_t(kept);
                layer[kept] = object;
            }
            ++kept;
        }
        layer.resize(kept);
    }
    for (OctreeNode* child : children)
        if (child)
            child->Compact();
}

void OctreeNode::Remove(SpatialObject* object, bool destroy)
{
    if (!object)
        return;
    OctreeNode* owner = object->node;
    if (!owner)
        return;
    // An object's layer never changes: a moved point or segment keeps its z.
    std::vector<SpatialObject*>& layer = owner->items[LayerOf(object->bounds)];
    if (object->slot >= layer.size() || layer[object->slot] != object)
        return;
    // Swap the last item into the freed slot.
    SpatialObject* last = layer.back();
    layer[object->slot] = last;
    last->slot = object->slot;
    layer.pop_back();
    if (destroy)
        delete object;
}

void OctreeNode::Query(const BoundingBox& q, std::vector<SpatialObject*>& out) const
{
    Visit(q, [&out](SpatialObject* object) { out.push_back(object); });
}

void OctreeNode::CopyLayout(const OctreeNode& source)
{
    for (int layer = 0; layer < Layers; ++layer)
        for (int end = 0; end < 2; ++end)
            layerZ[layer][end] = source.layerZ[layer][end];
    for (int k = 0; k < 8; ++k) {
        if (!source.children[k])
            continue;
        if (!children[k]) {
            children[k] = new OctreeNode(source.children[k]->box);
            children[k]->root = root;
        }
        children[k]->CopyLayout(*source.children[k]);
    }
}
