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

void TrackPath::DamageEverything()
{
    damage.everything = true;
    damage.lines.clear();
    damage.marks.clear();
    damage.highlights.clear();
}

void TrackPath::DamageBox(const BoundingBox& box, std::vector<BoundingBox>& boxes)
{
    if (damage.everything)
        return;
    if (boxes.size() >= MostDamageBoxes)
        DamageEverything();
    else
        boxes.push_back(box);
}

void TrackPath::DamagePosition(const TrackPoint* point, std::vector<BoundingBox>& boxes)
{
    if (!point || std::isnan(point->x) || std::isnan(point->y))
        return;
    DamageBox(BoundingBox(point->x, point->y, 0.0f, point->x, point->y, 0.0f), boxes);
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
    if (!point || damage.everything)
        return;
    bool empty = true;
    const BoundingBox box = Neighbourhood(point, empty);
    if (!empty)
        DamageBox(box, damage.lines);
    DamagePosition(point, damage.marks);
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
                BoundingBox box = Neighbourhood(q, empty);
                Cover(box, empty, before.left[0], before.left[1]);
                Cover(box, empty, before.right[0], before.right[1]);
                if (!empty)
                    DamageBox(box, damage.lines);
            }
            if (q == lastBound)
                bound = false;
            if (!bound && same)
                break;
        }
    }
    DamageAround(changed);
}

namespace {

// Whether two points, each in its own chain, draw alike: the same position,
// edge points, marker and selection ring. The highlight ring is told apart.
bool SameLook(const TrackPoint& a, const TrackPoint& b)
{
    // Bit for bit, as for the edges.
    return std::memcmp(&a.x, &b.x, sizeof a.x) == 0 && std::memcmp(&a.y, &b.y, sizeof a.y) == 0 && a.type == b.type &&
           a.IsSelected() == b.IsSelected() && std::memcmp(a.leftEdge, b.leftEdge, sizeof a.leftEdge) == 0 &&
           std::memcmp(a.rightEdge, b.rightEdge, sizeof a.rightEdge) == 0;
}

// A step along a chain (dir 1 forward, -1 back) that asks early for what lies a
// few objects further on: the pool mostly placed a chain's points, and its
// segments, side by side in chain order, and a walk of two long chains is
// bound by memory, not by the comparisons.
TrackPoint* Step(const TrackPoint* p, int dir)
{
    const TrackSegment* s = dir > 0 ? p->nextSegment : p->prevSegment;
    __builtin_prefetch(reinterpret_cast<const char*>(p) + 8 * dir * int(sizeof(TrackPoint)));
    if (!s)
        return nullptr;
    __builtin_prefetch(reinterpret_cast<const char*>(s) + 8 * dir * int(sizeof(TrackSegment)));
    return dir > 0 ? s->to : s->from;
}

using Run = std::vector<const TrackPoint*>;

// The shortest way from run a to run b by dropping and adding points (Myers'
// greedy search, as far as `most` of them): matched(p, q) for each pair it
// keeps, the points of either run it does not keep in unmatched. False when
// they take more than most, or the search more comparisons than its budget
// (long runs of points that look alike).
template <typename Matched>
bool EditScript(const Run& a, const Run& b, int most, Run& unmatched, Matched&& matched)
{
    const int n = int(a.size()), m = int(b.size()), off = most + 1;
    long budget = 4L * (n + m) + long(most) * most;
    // v[off + k]: how far along a the search reached on diagonal k (x - y = k).
    std::vector<int> v(std::size_t(2 * off + 1), 0);
    std::vector<std::vector<int>> trace;
    for (int d = 0; d <= most; ++d) {
        trace.push_back(v);
        for (int k = -d; k <= d; k += 2) {
            int x = k == -d || (k != d && v[off + k - 1] < v[off + k + 1]) ? v[off + k + 1] : v[off + k - 1] + 1;
            int y = x - k;
            while (x < n && y < m && --budget > 0 && SameLook(*a[x], *b[y]))
                ++x, ++y;
            if (budget <= 0)
                return false;
            v[off + k] = x;
            if (x < n || y < m)
                continue;
            // Back from the end, each step to where the step before it left off.
            for (int e = d; e >= 0; --e) {
                const std::vector<int>& t = trace[std::size_t(e)];
                const int j = x - y;
                const int from = j == -e || (j != e && t[off + j - 1] < t[off + j + 1]) ? j + 1 : j - 1;
                const int px = t[off + from], py = px - from;
                for (; x > px && y > py; --x, --y)
                    matched(*a[x - 1], *b[y - 1]);
                if (e > 0)
                    unmatched.push_back(x == px ? b[y - 1] : a[x - 1]);
                x = px, y = py;
            }
            return true;
        }
    }
    return false;
}

}  // namespace

void TrackPath::SwappedInFor(TrackPath& shown, std::vector<TrackPoint*>& flagged)
{
    auto note = [&flagged](TrackPoint* p) {
        if (p->flags & (TrackPoint::Selected | TrackPoint::Highlighted))
            flagged.push_back(p);
    };
    SettleEdges();
    damage = shown.TakeDamage();
    const std::size_t n = shown.points.size(), m = points.size();
    if (!shown.edgesSettled || damage.everything || (n > m ? n - m : m - n) > MostDamageBoxes) {
        DamageEverything();
        for (TrackPoint* p : points)
            note(p);
        return;
    }

    // An undo or redo mostly brings back a chain that differs from the shown
    // one in a few points: the two are walked together from both ends while
    // they look alike, and what lies between is searched for the fewest points
    // dropped and added. Each of those is damaged as an edit damages a point:
    // what it and its neighbours draw, which reaches the lines into what is kept.
    auto matched = [this](const TrackPoint& was, const TrackPoint& is) {
        if (was.IsHighlighted() != is.IsHighlighted())
            HighlightChanged(&is);
    };
    TrackPoint *a = shown.points.first, *b = points.first;
    std::size_t prefix = 0, suffix = 0;
    for (; prefix < std::min(n, m) && SameLook(*a, *b); ++prefix, a = Step(a, 1), b = Step(b, 1))
        matched(*a, *b), note(b);
    for (TrackPoint *c = shown.points.last, *d = points.last; prefix + suffix < std::min(n, m) && SameLook(*c, *d);
         ++suffix, c = Step(c, -1), d = Step(d, -1))
        matched(*c, *d), note(d);
    Run was, is, unmatched;
    for (std::size_t k = prefix; k + suffix < n; ++k, a = a->NextPoint())
        was.push_back(a);
    for (std::size_t k = prefix; k + suffix < m; ++k, b = b->NextPoint())
        is.push_back(b), note(b);
    if (!EditScript(was, is, int(MostDamageBoxes), unmatched, matched)) {
        DamageEverything();
        return;
    }
    for (const TrackPoint* p : unmatched)
        DamageAround(p);
}

TrackPath::Damage TrackPath::TakeDamage()
{
    Damage taken;
    std::swap(taken, damage);
    damage.everything = false;
    return taken;
}
