// Edge points kept as the points change, and the damage to the path's drawing
// that the changes leave for the painter.
#include "model/TrackPath.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "model/TrackPoint.h"
#include "model/TrackSegment.h"

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

TrackPath::Damage TrackPath::Damage::None()
{
    Damage none;
    none.everything = false;
    return none;
}

void TrackPath::Damage::Everything()
{
    everything = true;
    lines.clear();
    marks.clear();
    highlights.clear();
}

void TrackPath::Damage::Add(Boxes kind, const BoundingBox& box)
{
    if (everything)
        return;
    if ((this->*kind).size() >= MostDamageBoxes)
        Everything();
    else
        (this->*kind).push_back(box);
}

void TrackPath::Damage::Add(const Damage& more)
{
    if (more.everything)
        Everything();
    for (const Boxes kind : {&Damage::lines, &Damage::marks, &Damage::highlights})
        for (const BoundingBox& box : more.*kind)
            Add(kind, box);
}

void TrackPath::DamageEverything()
{
    damage.Everything();
    changes.Everything();
    touched.clear();
}

void TrackPath::DamagePosition(const TrackPoint* point, Damage::Boxes kind)
{
    if (!point || std::isnan(point->x) || std::isnan(point->y))
        return;
    damage.Add(kind, BoundingBox(point->x, point->y, 0.0f, point->x, point->y, 0.0f));
}

BoundingBox TrackPath::Neighbourhood(const TrackPoint* point, bool& empty)
{
    // The point draws its marker, rings, start line and its lines to the next
    // point; the previous point draws its lines to this one.
    BoundingBox box;
    CoverPoint(box, empty, point->PrevPoint());
    CoverPoint(box, empty, point);
    CoverPoint(box, empty, point->NextPoint());
    return box;
}

void TrackPath::DamageAround(const TrackPoint* point)
{
    Touch(point, true);
    if (!point || damage.everything)
        return;
    bool empty = true;
    const BoundingBox box = Neighbourhood(point, empty);
    if (!empty)
        damage.Add(&Damage::lines, box);
    DamagePosition(point, &Damage::marks);
}

TrackPath::Look TrackPath::LookOf(const TrackPoint* point)
{
    Look look;
    look.lines = Neighbourhood(point, look.noLines);
    look.x = point->x;
    look.y = point->y;
    return look;
}

void TrackPath::AddLook(Damage& to, const Look& look)
{
    if (!look.noLines)
        to.Add(&Damage::lines, look.lines);
    if (look.marked && !std::isnan(look.x) && !std::isnan(look.y))
        to.Add(&Damage::marks, BoundingBox(look.x, look.y, 0.0f, look.x, look.y, 0.0f));
}

bool TrackPath::Touch(const TrackPoint* point, bool marked)
{
    if (!point || changes.everything)
        return false;
    const auto [at, first] = touched.try_emplace(point);
    if (first) {
        if (touched.size() > MostDamageBoxes / 2) {
            changes.Everything();
            touched.clear();
            return false;
        }
        at->second = LookOf(point);
    }
    at->second.marked = at->second.marked || marked;
    return first;
}

void TrackPath::Forget(const TrackPoint* point)
{
    const auto at = touched.find(point);
    if (at == touched.end())
        return;
    AddLook(changes, at->second);
    touched.erase(at);
}

TrackPath::Damage TrackPath::TakeChanges()
{
    Damage taken = std::exchange(changes, Damage::None());
    for (const auto& [point, then] : touched) {
        Look now = LookOf(point);
        now.marked = then.marked;
        AddLook(taken, then);
        AddLook(taken, now);
    }
    touched.clear();
    return taken;
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
            const bool fresh = Touch(q, false);
            q->ComputeEdges();
            GrowReach(*q);
            const bool same = SameEdges(before, *q);
            if (same && fresh)
                touched.erase(q);  // its drawing did not change after all
            if (!same && !damage.everything) {
                bool empty = true;
                BoundingBox box = Neighbourhood(q, empty);
                Cover(box, empty, before.left[0], before.left[1]);
                Cover(box, empty, before.right[0], before.right[1]);
                if (!empty)
                    damage.Add(&Damage::lines, box);
            }
            if (q == lastBound)
                bound = false;
            if (!bound && same)
                break;
        }
    }
    DamageAround(changed);
}

void TrackPath::SwappedInFor(TrackPath& shown, const Damage& difference)
{
    damage = shown.TakeDamage();
    damage.Add(difference);
    // A path copied before its edges were settled has them worked out now,
    // and the whole drawing done again.
    SettleEdges();
}

TrackPath::Damage TrackPath::TakeDamage()
{
    Damage taken;
    std::swap(taken, damage);
    damage.everything = false;
    return taken;
}
