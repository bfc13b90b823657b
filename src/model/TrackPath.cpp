#include "model/TrackPath.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

#include <wx/dc.h>
#include <wx/graphics.h>
#include <wx/log.h>

#include "model/CommandRecorder.h"
#include "model/DcLogicalArea.h"
#include "model/PixelMapping.h"
#include "model/TrackPoint.h"
#include "model/TrackSegment.h"

namespace {
const char* const NotInList = "Couldn't find point in list, something's weird!";
}

std::uint64_t TrackPath::lastRevision = 0;

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
    PointsChanged();
    index.Insert(point, 1);

    if (points.empty()) {
        points.first = points.last = point;
        points.count = 1;
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
    PointsChanged();

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
    PointsChanged();
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

namespace {

// What one point draws of itself (its position and edges), in path
// coordinates; empty when a corner is not a number and cannot be placed.
struct Reach {
    float minX, minY, maxX, maxY;
    bool empty;
};

Reach OwnReach(const TrackPoint& p)
{
    const float xs[3] = {p.x, p.leftEdge[0], p.rightEdge[0]};
    const float ys[3] = {p.y, p.leftEdge[1], p.rightEdge[1]};
    for (int i = 0; i < 3; ++i)
        if (std::isnan(xs[i]) || std::isnan(ys[i]))
            return {0, 0, 0, 0, true};
    return {std::min({xs[0], xs[1], xs[2]}), std::min({ys[0], ys[1], ys[2]}),
            std::max({xs[0], xs[1], xs[2]}), std::max({ys[0], ys[1], ys[2]}), false};
}

void SetTools(wxDC& dc, const wxColour& brush, wxBrushStyle brushStyle, const wxColour& pen,
              int width)
{
    dc.SetBrush(wxBrush(brush, brushStyle));
    dc.SetPen(wxPen(pen, width, wxPENSTYLE_SOLID));
}

// One line pass (the centre line or a border) over the points in view: the
// line from each point to the next, joined into one polyline per unbroken run,
// so that a pass costs the toolkit a few calls instead of one per point. A
// point that cannot be placed breaks the run, as it used to skip its line.
// Cairo fills a stroke's whole outline at once, and a long polyline that
// crosses itself again and again (a dense track) costs it more than several
// short ones: runs are cut into polylines of at most this many points.
constexpr std::size_t LongestPolyline = 64;

template <typename Corner>
void DrawLinePass(wxDC& dc, const std::vector<TrackPoint*>& shown, Corner corner)
{
    std::vector<wxPoint> line;
    const TrackPoint* lineEnd = nullptr;
    auto flush = [&] {
        if (line.size() >= 2)
            dc.DrawLines(int(line.size()), line.data());
        line.clear();
        lineEnd = nullptr;
    };
    for (const TrackPoint* p : shown) {
        const TrackPoint* next = p->NextPoint();
        if (!next)
            continue;
        wxPoint a, b;
        if (p != lineEnd) {
            flush();
            if (!corner(*p, a))
                continue;
        }
        if (!corner(*next, b)) {
            flush();
            continue;
        }
        if (line.empty())
            line.push_back(a);
        line.push_back(b);
        lineEnd = next;
        if (line.size() >= LongestPolyline) {
            flush();
            line.push_back(b);  // the next polyline starts where this one ends
            lineEnd = next;
        }
    }
    flush();
}

// The markers of one type as paths of squares, each stroked once, where the
// DC draws through a graphics context (as on GTK); one rectangle each
// elsewhere. A path of thousands of squares spread over the view costs Cairo
// far more per square than a few dozen do, so the squares go in batches.
constexpr int LargestSquareBatch = 64;

void DrawMarkerPass(wxDC& dc, const PixelMapping& mapping, const std::vector<TrackPoint*>& shown, int type)
{
    wxGraphicsContext* gc = dc.GetGraphicsContext();
    wxGraphicsPath squares;
    if (gc)
        squares = gc->CreatePath();
    int any = 0;
    for (const TrackPoint* p : shown) {
        wxPoint at;
        if (p->type != type || !mapping.WorldToPixel(p->x, p->y, at.x, at.y))
            continue;
        if (!gc) {
            p->Draw(dc, mapping, TrackPoint::DrawMarker);
            continue;
        }
        // What the DC's own rectangle gives: an outline one pixel in from the
        // 6 x 6 box, so it covers the same pixels as a raster DC's.
        squares.AddRectangle(at.x - 3, at.y - 3, 5, 5);
        if (++any == LargestSquareBatch) {
            gc->StrokePath(squares);
            squares = gc->CreatePath();
            any = 0;
        }
    }
    if (any)
        gc->StrokePath(squares);
}

}  // namespace

void TrackPath::Draw(wxDC& dc, const PixelMapping& mapping)
{
    DrawPasses(dc, mapping, nullptr);
}

void TrackPath::DrawBeneathHighlights(wxDC& dc, const PixelMapping& mapping, std::vector<TrackPoint*>& highlighted)
{
    DrawPasses(dc, mapping, &highlighted);
}

void TrackPath::DrawHighlightRings(wxDC& dc, const PixelMapping& mapping, const std::vector<TrackPoint*>& points)
{
    SetTools(dc, wxColour(0, 0, 0), wxBRUSHSTYLE_TRANSPARENT, wxColour(50, 255, 255), 2);
    for (TrackPoint* p : points)
        if (p->IsHighlighted())
            p->Draw(dc, mapping, TrackPoint::DrawHighlightRing);
}

void TrackPath::DrawPasses(wxDC& dc, const PixelMapping& mapping, std::vector<TrackPoint*>* highlighted)
{
    // Every mouse movement repaints, so points whose drawing cannot reach the
    // DC's area are left out; a line from a visible point to one far away is
    // still drawn, because each point's reach includes its next point's. The
    // test runs in path coordinates, against the area widened by the largest
    // ring and pen and a pixel for rounding, so that no point needs converting.
    const wxRect area = DcLogicalArea(dc);
    const int margin = 12 + 1;
    float left, top, right, bottom;
    const bool bounded = !area.IsEmpty() && mapping.PixelToWorld(area.x - margin, area.y - margin, left, top) &&
                         mapping.PixelToWorld(area.x + area.width + margin, area.y + area.height + margin, right, bottom);
    std::vector<TrackPoint*> shown;
    shown.reserve(std::min<std::size_t>(points.size(), 4096));
    auto place = [&](TrackPoint* p, Reach reach, const Reach& next) {
        if (reach.empty) {
            reach = next;
        } else if (!next.empty) {
            reach.minX = std::min(reach.minX, next.minX);
            reach.minY = std::min(reach.minY, next.minY);
            reach.maxX = std::max(reach.maxX, next.maxX);
            reach.maxY = std::max(reach.maxY, next.maxY);
        }
        if (!bounded || (!reach.empty && reach.maxX >= left && reach.minX <= right && reach.maxY >= bottom &&
                         reach.minY <= top))
            shown.push_back(p);
    };
    // Each point's edges hang on its predecessor's, so they are computed for
    // the whole chain, but only after something changed since the last time;
    // in the same walk along the chain, while the point is at hand, as a
    // point's reach is known once its successor's edges are.
    const bool computeEdges = edgesRevision != shapeRevision;
    TrackPoint* previous = nullptr;
    Reach previousReach{0, 0, 0, 0, true};
    for (TrackPoint* p : points) {
        if (computeEdges)
            p->ComputeEdges();
        const Reach own = OwnReach(*p);
        if (previous)
            place(previous, previousReach, own);
        previous = p;
        previousReach = own;
    }
    if (previous)
        place(previous, previousReach, Reach{0, 0, 0, 0, true});
    edgesRevision = shapeRevision;

    const wxColour white(255, 255, 255), black(0, 0, 0);
    const wxColour green(50, 255, 50), blue(50, 50, 255), red(255, 50, 50);
    if (points.size() > 1 && !shown.empty() && shown.front() == points.front()) {
        SetTools(dc, green, wxBRUSHSTYLE_TRANSPARENT, green, 5);
        points.front()->Draw(dc, mapping, TrackPoint::DrawStartLine);
    }
    const auto centre = [&](const TrackPoint& p, wxPoint& at) { return mapping.WorldToPixel(p.x, p.y, at.x, at.y); };
    const auto leftCorner = [&](const TrackPoint& p, wxPoint& at) {
        return mapping.WorldToPixel(p.leftEdge[0], p.leftEdge[1], at.x, at.y);
    };
    const auto rightCorner = [&](const TrackPoint& p, wxPoint& at) {
        return mapping.WorldToPixel(p.rightEdge[0], p.rightEdge[1], at.x, at.y);
    };
    SetTools(dc, white, wxBRUSHSTYLE_SOLID, white, 1);
    DrawLinePass(dc, shown, centre);
    SetTools(dc, black, wxBRUSHSTYLE_TRANSPARENT, blue, 1);
    DrawLinePass(dc, shown, leftCorner);
    SetTools(dc, black, wxBRUSHSTYLE_TRANSPARENT, red, 1);
    DrawLinePass(dc, shown, rightCorner);

    const wxColour markerColours[3] = {blue, green, red};
    for (int type = 0; type < 3; ++type) {
        dc.SetPen(wxPen(markerColours[type], 2, wxPENSTYLE_SOLID));
        DrawMarkerPass(dc, mapping, shown, type);
    }
    // Rings are few (the selection and the point under the cursor): one call each.
    SetTools(dc, black, wxBRUSHSTYLE_TRANSPARENT, wxColour(255, 255, 50), 2);
    for (TrackPoint* p : shown)
        if (p->IsSelected())
            p->Draw(dc, mapping, TrackPoint::DrawSelectedRing);
    if (!highlighted) {
        DrawHighlightRings(dc, mapping, shown);
        return;
    }
    for (TrackPoint* p : shown)
        if (p->IsHighlighted())
            highlighted->push_back(p);
}
