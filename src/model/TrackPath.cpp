#include "model/TrackPath.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <utility>

#include <wx/log.h>

#include "model/CommandRecorder.h"
#include "model/PixelMapping.h"
#include "model/TrackPoint.h"
#include "model/TrackSegment.h"

namespace {
const char* const NotInList = "Couldn't find point in list, something's weird!";
}

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

TrackPath::TrackPath(const TrackPath& source)
    : valid(source.valid), incomplete(source.incomplete), index(source.index.box)
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

void TrackPath::AppendAll(const std::vector<TrackPoint*>& fresh)
{
    PointsChanged();
    std::vector<SpatialObject*> objects;
    objects.reserve(fresh.size() * 2);
    TrackPoint* last = points.last;
    for (TrackPoint* p : fresh) {
        // The order one InsertPoint each would index them in.
        objects.push_back(p);
        if (last) {
            auto* s = new TrackSegment(last, p);
            last->nextSegment = s;
            p->prevSegment = s;
            objects.push_back(s);
        } else {
            points.first = p;
        }
        last = p;
    }
    points.last = last;
    points.count += fresh.size();
    index.InsertAll(objects);
}

void TrackPath::Link(TrackSegment* segment)
{
    index.Insert(segment, 1);
}

void TrackPath::Unlink(TrackSegment* segment)
{
    index.Remove(segment, true);
}

void TrackPath::Discard(TrackPoint* point)
{
    // A point that cannot be linked is taken out again: left in the index it
    // would be found by hit tests although it is not part of the chain.
    index.Remove(point, true);
}

bool TrackPath::InsertPoint(TrackPoint* point, TrackSegment* segment)
{
    if (!point) {
        wxLogError("Invalid point to insert into track path!");
        return false;
    }
    if (point->prevSegment || point->nextSegment || point->node) {
        wxLogError("Invalid prev segment on point!  Not inserting!");
        return false;
    }
    index.Insert(point, 1);

    if (points.empty()) {
        points.first = points.last = point;
        points.count = 1;
        Settle(point);
        return true;
    }

    if (segment) {
        TrackPoint* a = segment->from;
        TrackPoint* b = segment->to;
        if (!a || !b) {
            wxLogError("Invalid segment, has NULL point(s)!");
            Discard(point);
            return false;
        }
        if (!a->nextSegment) {
            wxLogError("p1 has invalid segment!");
            Discard(point);
            return false;
        }
        if (FindPointNode(b) == points.end()) {
            wxLogError(NotInList);
            Discard(point);
            return false;
        }
        DamageAround(a);  // the segment about to be split
        Unlink(a->nextSegment);
        auto* s1 = new TrackSegment(a, point);
        Link(s1);
        auto* s2 = new TrackSegment(point, b);
        Link(s2);
        a->nextSegment = s1;
        point->prevSegment = s1;
        point->nextSegment = s2;
        b->prevSegment = s2;
        ++points.count;
        Settle(point);
        return true;
    }

    TrackPoint* last = points.last;
    if (last->nextSegment) {
        wxLogError("Invalid next segment on last point!");
        Discard(point);
        return false;
    }
    auto* s = new TrackSegment(last, point);
    Link(s);
    last->nextSegment = s;
    point->prevSegment = s;
    point->nextSegment = nullptr;
    points.last = point;
    ++points.count;
    Settle(point);
    return true;
}

void TrackPath::RemovePoint(TrackPoint* point)
{
    if (!point)
        return;
    if (FindPointNode(point) == points.end()) {
        wxLogError(NotInList);
        return;
    }
    DamageAround(point);

    TrackPoint* a = point->PrevPoint();
    TrackPoint* b = point->NextPoint();
    if (points.first == point)
        points.first = b;
    if (points.last == point)
        points.last = a;
    --points.count;
    if (point->prevSegment)
        Unlink(point->prevSegment);
    if (point->nextSegment)
        Unlink(point->nextSegment);
    point->prevSegment = point->nextSegment = nullptr;

    if (a && b) {
        auto* s = new TrackSegment(a, b);
        Link(s);
        a->nextSegment = s;
        b->prevSegment = s;
    } else if (a) {
        a->nextSegment = nullptr;
    } else if (b) {
        b->prevSegment = nullptr;
    }
    index.Remove(point, true);
    if (a || b)
        Settle(a ? a : b);
}

void TrackPath::SetStart(TrackPoint* point, CommandRecorder* record)
{
    if (points.empty())
        return;
    if (FindPointNode(point) == points.end()) {
        wxLogError(NotInList);
        return;
    }
    if (point == points.first)
        return;
    if (record)
        record->RecordCommand("set-start");
    PointsChanged();

    TrackSegment* s = point->prevSegment;
    TrackPoint* first = points.first;
    TrackPoint* last = points.last;
    TrackPoint* newLast = s->from;

    // The segment that entered the new start closes the old gap instead.
    first->prevSegment = s;
    last->nextSegment = s;
    s->from = last;
    s->to = first;
    point->prevSegment = nullptr;
    newLast->nextSegment = nullptr;

    index.Remove(s, false);
    s->UpdateBounds();
    index.Insert(s, 1);

    points.first = point;
    points.last = newLast;
}

void TrackPath::ReverseDirection(CommandRecorder* record)
{
    if (points.empty())
        return;
    if (record)
        record->RecordCommand("reverse-direction");
    PointsChanged();

    // The walk reads each point's successor before the point's links turn round.
    for (TrackPoint* p = points.first; p;) {
        TrackPoint* next = p->NextPoint();
        if (TrackSegment* s = p->nextSegment) {
            s->from = s->to;
            s->to = p;
        }
        std::swap(p->prevSegment, p->nextSegment);
        p = next;
    }
    std::swap(points.first, points.last);
    SetStart(points.last, nullptr);
}

void TrackPath::Reindex(TrackPoint* point)
{
    index.Remove(point, false);
    point->SetBounds();
    index.Insert(point, 1);
}

void TrackPath::UpdatePointPosition(TrackPoint* point)
{
    if (!point)
        return;
    Reindex(point);
    for (TrackSegment* s : {point->prevSegment, point->nextSegment}) {
        if (!s)
            continue;
        index.Remove(s, false);
        s->UpdateBounds();
        index.Insert(s, 1);
    }
}

PointList::iterator TrackPath::FindPointNode(TrackPoint* point)
{
    // A point of the chain is indexed in this path's tree, and only such a
    // point is: finding it needs no walk along the chain.
    if (point && point->node && point->node->Root() == &index)
        return PointList::iterator(point, &points);
    return points.end();
}

bool TrackPath::FindPointsAt(const PixelMapping& mapping, int px, int py, std::vector<TrackPoint*>& out)
{
    float x0, y0, x1, y1;
    if (!mapping.PixelSquareToWorldBox(px, py, 10, x0, y0, x1, y1))
        return false;
    index.Visit(BoundingBox(x0, y0, 0.0f, x1, y1, 0.0f),
                [&out](SpatialObject* hit) { out.push_back(static_cast<TrackPoint*>(hit)); });
    return true;
}

namespace {

// Whether the centre of the pick square lies within r of the segment's line.
bool NearSegment(float x0, float y0, float x1, float y1, const TrackSegment& s)
{
    const TrackPoint& a = *s.from;
    const TrackPoint& b = *s.to;
    if (std::fabs(double(a.x) - b.x) <= 0.01)
        return true;
    if (std::fabs(double(a.y) - b.y) <= 0.01)
        return true;
    const double cx = (double(x0) + x1) / 2.0;
    const double cy = (double(y0) + y1) / 2.0;
    const double rx = cx - x1, ry = cy - y1;
    const double r = 0.5 * std::sqrt(rx * rx + ry * ry);
    // The distance below is the centre's distance from the line; found by the
    // cross product it needs no trigonometry, and the answer is taken from it
    // unless it lies too close to r for the two roundings to be sure to agree.
    {
        const double ex = double(b.x) - a.x, ey = double(b.y) - a.y;
        const double fx = cx - a.x, fy = cy - a.y;
        const double len = std::sqrt(ex * ex + ey * ey);
        const double near = std::fabs(fx * ey - fy * ex) / len;
        const double slack = 1e-9 * (std::sqrt(fx * fx + fy * fy) + r);
        if (near < r - slack)
            return true;
        if (near > r + slack)
            return false;
    }
    const double thetaB = std::atan((double(b.y) - a.y) / (double(b.x) - a.x));
    const double dxC = cx - a.x, dyC = cy - a.y;
    const double distCA = std::sqrt(dxC * dxC + dyC * dyC);
    double d = 0.0;
    if (distCA > 0.0) {
        const double thetaC = dxC == 0.0 ? std::atan(1.0) * 2.0 : std::atan(dyC / dxC);
        d = std::fabs(std::sin(thetaC - thetaB)) * distCA;
    }
    return d <= r;
}

}  // namespace

bool TrackPath::FindSegmentsAt(const PixelMapping& mapping, int px, int py,
                               std::vector<TrackSegment*>& out)
{
    float x0, y0, x1, y1;
    if (!mapping.PixelSquareToWorldBox(px, py, 10, x0, y0, x1, y1))
        return false;
    index.Visit(BoundingBox(x0, y0, 1.0f, x1, y1, 1.0f), [&](SpatialObject* hit) {
        auto* s = static_cast<TrackSegment*>(hit);
        if (NearSegment(x0, y0, x1, y1, *s))
            out.push_back(s);
    });
    return true;
}

bool TrackPath::FindInBox(const BoundingBox& box, std::vector<SpatialObject*>& out)
{
    index.Query(box, out);
    return true;
}

void TrackPath::PointsChanged()
{
    edgesSettled = false;
    DamageEverything();
}

void TrackPath::SettleEdges()
{
    if (edgesSettled)
        return;
    edgeReach = 0.0f;
    for (TrackPoint* p : points) {
        p->ComputeEdges();
        GrowReach(*p);
    }
    edgesSettled = true;
    DamageEverything();
}

namespace {

struct EdgePoints {
    float left[2], right[2];
};

EdgePoints EdgesOf(const TrackPoint& p)
{
    return {{p.leftEdge[0], p.leftEdge[1]}, {p.rightEdge[0], p.rightEdge[1]}};
}

// Bit for bit, so that an edge that is not a number counts as unchanged when
// it stays so, and the walk can stop.
bool SameEdges(const EdgePoints& e, const TrackPoint& p)
{
    return std::memcmp(e.left, p.leftEdge, sizeof e.left) == 0 &&
           std::memcmp(e.right, p.rightEdge, sizeof e.right) == 0;
}

// Grows the box over a position; what is not a number cannot be drawn and is left out.
void Cover(BoundingBox& box, bool& empty, float x, float y)
{
    if (std::isnan(x) || std::isnan(y))
        return;
    if (empty) {
        box = BoundingBox(x, y, 0.0f, x, y, 0.0f);
        empty = false;
        return;
    }
    box.minX = std::min(box.minX, x);
    box.maxX = std::max(box.maxX, x);
    box.minY = std::min(box.minY, y);
    box.maxY = std::max(box.maxY, y);
}

void CoverPoint(BoundingBox& box, bool& empty, const TrackPoint* p)
{
    if (!p)
        return;
    Cover(box, empty, p->x, p->y);
    Cover(box, empty, p->leftEdge[0], p->leftEdge[1]);
    Cover(box, empty, p->rightEdge[0], p->rightEdge[1]);
}

}  // namespace

void TrackPath::DamageEverything()
{
    damage.everything = true;
    damage.boxes.clear();
}

void TrackPath::DamageBox(const BoundingBox& box)
{
    if (damage.everything)
        return;
    if (damage.boxes.size() >= MostDamageBoxes)
        DamageEverything();
    else
        damage.boxes.push_back(box);
}

void TrackPath::DamagePosition(const TrackPoint* point)
{
    if (!point || std::isnan(point->x) || std::isnan(point->y))
        return;
    DamageBox(BoundingBox(point->x, point->y, 0.0f, point->x, point->y, 0.0f));
}

BoundingBox TrackPath::RunsAround(const TrackPoint* point, bool& empty)
{
    // Each run of the chain, from a waymark to the next, is drawn as one
    // stroke, and the anti-aliasing of a stroke hangs a little on all of it:
    // a change shows over the whole run of the point and that of the previous
    // point, which draws the line to it.
    const TrackPoint* q = point->PrevPoint() ? point->PrevPoint() : point;
    while (!q->IsWaymark() && q->PrevPoint())
        q = q->PrevPoint();
    BoundingBox box;
    bool past = false;  // past the point: the run ends at the next waymark
    for (; q; q = q->NextPoint()) {
        CoverPoint(box, empty, q);
        if (past && q->IsWaymark())
            break;
        past = past || q == point;
    }
    return box;
}

void TrackPath::DamageAround(const TrackPoint* point)
{
    if (!point || damage.everything)
        return;
    bool empty = true;
    const BoundingBox box = RunsAround(point, empty);
    if (!empty)
        DamageBox(box);
}

void TrackPath::GrowReach(const TrackPoint& p)
{
    // Comparisons with a value that is not a number are false: such edges are not drawn.
    for (const float* edge : {p.leftEdge, p.rightEdge})
        for (const float d : {std::fabs(edge[0] - p.x), std::fabs(edge[1] - p.y)})
            if (d > edgeReach)
                edgeReach = d;
}

void TrackPath::Settle(TrackPoint* changed)
{
    if (edgesSettled) {
        // The predecessor's bisector and the successor's direction hang on the
        // changed point's position; every later point only on the left edge of
        // the one before it.
        TrackPoint* q = changed->PrevPoint() ? changed->PrevPoint() : changed;
        const TrackPoint* lastBound = changed->NextPoint() ? changed->NextPoint() : changed;
        bool bound = true;
        for (; q; q = q->NextPoint()) {
            const EdgePoints before = EdgesOf(*q);
            q->ComputeEdges();
            GrowReach(*q);
            const bool same = SameEdges(before, *q);
            if (!same && !damage.everything) {
                bool empty = true;
                BoundingBox box = RunsAround(q, empty);
                Cover(box, empty, before.left[0], before.left[1]);
                Cover(box, empty, before.right[0], before.right[1]);
                if (!empty)
                    DamageBox(box);
            }
            if (q == lastBound)
                bound = false;
            if (!bound && same)
                break;
        }
    }
    DamageAround(changed);
}

TrackPath::Damage TrackPath::TakeDamage()
{
    Damage taken;
    std::swap(taken, damage);
    damage.everything = false;
    return taken;
}
