// The path's life as a whole: made empty, copied as a snapshot for the
// history, and torn down with everything its index owns.
#include "model/TrackPath.h"

#include <algorithm>
#include <utility>

#include "model/TrackPoint.h"
#include "model/TrackSegment.h"

TrackPath::TrackPath() : valid(true), index(BoundingBox(0, 0, 0, 0, 0, 0)) {}

namespace {

// The nodes of a copied index beside those of its source, for finding where a
// copied object goes from where its original stands.
class NodeTwins {
public:
    NodeTwins(const OctreeNode& source, OctreeNode& copy)
    {
        Pair(source, copy);
        std::sort(twins.begin(), twins.end());
    }

    // The last answer, kept by each caller: consecutive points of a chain
    // mostly share their node, and so do consecutive segments.
    struct Recent {
        const OctreeNode* source = nullptr;
        OctreeNode* copy = nullptr;
    };

    OctreeNode* Of(const OctreeNode* source, Recent& recent) const
    {
        if (source == recent.source)
            return recent.copy;
        const auto it = std::lower_bound(twins.begin(), twins.end(), std::make_pair(source, (OctreeNode*)nullptr));
        if (it == twins.end() || it->first != source)
            return nullptr;
        recent = {source, it->second};
        return it->second;
    }

    // Slots the copies will fill, in every node of the copy.
    std::size_t slots = 0;

private:
    void Pair(const OctreeNode& source, OctreeNode& copy)
    {
        twins.emplace_back(&source, &copy);
        for (int layer = 0; layer < OctreeNode::Layers; ++layer) {
            copy.items[layer].assign(source.items[layer].size(), nullptr);
            slots += source.items[layer].size();
        }
        for (int k = 0; k < 8; ++k)
            if (source.children[k] && copy.children[k])
                Pair(*source.children[k], *copy.children[k]);
    }

    std::vector<std::pair<const OctreeNode*, OctreeNode*>> twins;
};

bool SameBox(const BoundingBox& a, const BoundingBox& b)
{
    return a.minX == b.minX && a.minY == b.minY && a.minZ == b.minZ && a.maxX == b.maxX &&
           a.maxY == b.maxY && a.maxZ == b.maxZ;
}

}  // namespace

TrackPath::TrackPath(const TrackPath& source, std::vector<TrackPoint*>* flagged)
    : valid(source.valid), incomplete(source.incomplete), index(source.index.box),
      edgesSettled(source.edgesSettled), edgeReach(source.edgeReach), changes(Damage::None())
{
    index.CopyLayout(source.index);
    NodeTwins twins(source.index, index);
    // Each copy takes its original's node and slot, so the index is built
    // without a descent per object. A copy whose original's box is out of date
    // (moved without re-indexing) gets an ordinary insert instead, and the gap
    // left by it, or by anything indexed outside the chain, is closed at the end.
    NodeTwins::Recent recentPoint, recentSegment;
    std::size_t placed = 0;
    auto place = [&](SpatialObject* copy, const SpatialObject* original, NodeTwins::Recent& recent) {
        OctreeNode* node = original->node ? twins.Of(original->node, recent) : nullptr;
        if (node && SameBox(copy->bounds, original->bounds)) {
            std::vector<SpatialObject*>& items = node->items[OctreeNode::LayerOf(copy->bounds)];
            if (original->slot < items.size() && !items[original->slot]) {
                items[original->slot] = copy;
                copy->node = node;
                copy->slot = original->slot;
                ++placed;
                return;
            }
        }
        index.Insert(copy, 1);
    };
    TrackPoint* previous = nullptr;
    for (const TrackPoint* p : source.points) {
        // The walk follows pointers, but the pool mostly placed the source's
        // objects side by side in chain order: what lies a few objects further
        // on is most likely needed soon, and asking for it early is harmless.
        const char* at = reinterpret_cast<const char*>(p);
        __builtin_prefetch(at + 8 * sizeof(TrackPoint));
        __builtin_prefetch(at + 9 * sizeof(TrackPoint) - 1);
        if (p->nextSegment)
            __builtin_prefetch(reinterpret_cast<const char*>(p->nextSegment) + 8 * sizeof(TrackSegment));
        auto* q = new TrackPoint(*p);
        place(q, p, recentPoint);
        if (flagged && (q->flags & (TrackPoint::Selected | TrackPoint::Highlighted)))
            flagged->push_back(q);
        if (previous) {
            auto* s = new TrackSegment(previous, q);
            place(s, p->prevSegment, recentSegment);
            previous->nextSegment = s;
            q->prevSegment = s;
        } else {
            points.first = q;
        }
        previous = q;
    }
    points.last = previous;
    points.count = source.points.size();
    if (placed != twins.slots)
        index.Compact();
}

TrackPath::~TrackPath()
{
    // The index owns the points and segments. They are freed from its item
    // lists, which tell each object's class by its layer, so that freeing
    // needs neither a virtual call nor a read of the object itself: a dropped
    // snapshot has long left the cache, and reading it back cost as much as
    // making a new one.
    static_assert(OctreeNode::Layers == 2, "layer 0 holds the points, layer 1 the segments");
    DeleteIndexed(index);
}

void TrackPath::DeleteIndexed(OctreeNode& node)
{
    for (SpatialObject* p : node.items[0])
        delete static_cast<TrackPoint*>(p);
    for (SpatialObject* s : node.items[1])
        delete static_cast<TrackSegment*>(s);
    for (auto& layer : node.items)
        layer.clear();
    for (OctreeNode* child : node.children)
        if (child)
            DeleteIndexed(*child);
}
