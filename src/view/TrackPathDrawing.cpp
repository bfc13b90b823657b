// How a path draws itself: a member of the path, kept with the rest of the
// drawing so that the model holds no pens and no device contexts.
#include <algorithm>
#include <vector>

#include <wx/dc.h>
#include <wx/graphics.h>

#include "model/PixelMapping.h"
#include "model/TrackPath.h"
#include "model/TrackPoint.h"
#include "model/TrackSegment.h"
#include "view/CanvasPainter.h"
#include "view/DcLogicalArea.h"

// The canvas is painted in tiles of a fixed grid (see CanvasPainter), and a
// tile must come out the same whenever it is painted, whatever else changed
// beyond it. Cairo's anti-aliasing of one stroke hangs a little on all of the
// stroke's edges in a pixel row, so each pass strokes, once per tile, exactly
// the lines whose pixel boxes meet the tile: a set that only a change within
// the tile can alter. Stroked as one path, crossings and joins are covered
// once, as along a polyline.

namespace {

// What a DC draws in: the tile, in logical pixels.
struct Tile {
    wxRect area;
    const PixelMapping& mapping;

    bool Place(float x, float y, wxPoint& at) const { return mapping.WorldToPixel(x, y, at.x, at.y); }
    // Whether a stroke from a to b with a pen of this width may touch the tile.
    bool Meets(const wxPoint& a, const wxPoint& b, int pen) const
    {
        const int reach = pen / 2 + 2;  // half the pen, the half-pixel offset and a pixel of anti-aliasing
        return std::max(a.x, b.x) + reach >= area.x && std::min(a.x, b.x) - reach <= area.GetRight() &&
               std::max(a.y, b.y) + reach >= area.y && std::min(a.y, b.y) - reach <= area.GetBottom();
    }
};

// The segments and points that the index finds near the tile: its boxes hold
// positions and centre lines, and edge points lie up to the edge reach away.
// Without a list for segments, points alone.
void Candidates(TrackPath& path, const Tile& tile, std::vector<const TrackSegment*>* segments,
                std::vector<const TrackPoint*>& points)
{
    const int m = CanvasPainter::RingMargin;
    float x0, y0, x1, y1;
    if (!tile.mapping.PixelToWorld(tile.area.x - m, tile.area.y - m, x0, y0) ||
        !tile.mapping.PixelToWorld(tile.area.x + tile.area.width + m, tile.area.y + tile.area.height + m, x1, y1))
        return;
    const float reach = path.EdgeReach();
    const float lastLayer = segments ? 1.0f : 0.0f;
    const BoundingBox box(std::min(x0, x1) - reach, std::min(y0, y1) - reach, 0.0f, std::max(x0, x1) + reach,
                          std::max(y0, y1) + reach, lastLayer);
    path.index.Visit(box, [&](SpatialObject* hit) {
        if (OctreeNode::LayerOf(hit->bounds) == 0)
            points.push_back(static_cast<const TrackPoint*>(hit));
        else
            segments->push_back(static_cast<const TrackSegment*>(hit));
    });
    // The index's order changes as objects move between its nodes; this one does not.
    if (segments)
        std::sort(segments->begin(), segments->end());
    std::sort(points.begin(), points.end());
}

void SetTools(wxDC& dc, const wxColour& brush, wxBrushStyle brushStyle, const wxColour& pen, int width)
{
    dc.SetBrush(wxBrush(brush, brushStyle));
    dc.SetPen(wxPen(pen, width, wxPENSTYLE_SOLID));
}

// One line pass (the centre line or a border): the line from each segment's
// start to its end, where both corners can be placed. Segments that follow one
// another along the chain are joined into one line, so that a point's corner
// is a join, not two caps: the same shape, at half the cost to Cairo.
template <typename Corner>
void DrawLinePass(wxDC& dc, const Tile& tile, const std::vector<const TrackSegment*>& segments, Corner corner)
{
    std::vector<const TrackSegment*> drawn;
    for (const TrackSegment* s : segments) {
        wxPoint a, b;
        if (corner(*s->from, a) && corner(*s->to, b) && tile.Meets(a, b, 1))
            drawn.push_back(s);  // still in the order of their addresses
    }
    auto isDrawn = [&](const TrackSegment* s) { return s && std::binary_search(drawn.begin(), drawn.end(), s); };
    wxGraphicsContext* gc = dc.GetGraphicsContext();
    wxGraphicsPath lines;
    if (gc)
        lines = gc->CreatePath();
    for (const TrackSegment* first : drawn) {
        if (isDrawn(first->from->prevSegment))
            continue;  // drawn with the line that runs into it
        std::vector<wxPoint> line(1);
        corner(*first->from, line[0]);
        for (const TrackSegment* s = first; isDrawn(s); s = s->to->nextSegment) {
            line.emplace_back();
            corner(*s->to, line.back());
        }
        if (!gc) {
            dc.DrawLines(int(line.size()), line.data());
            continue;
        }
        lines.MoveToPoint(line[0].x, line[0].y);
        for (std::size_t i = 1; i < line.size(); ++i)
            lines.AddLineToPoint(line[i].x, line[i].y);
    }
    if (gc && !drawn.empty())
        gc->StrokePath(lines);
}

// Markers of one type, or rings (one of the ring parts), as one path stroked
// once where the DC draws through a graphics context (as on GTK).
void DrawMarkPass(wxDC& dc, const Tile& tile, const std::vector<const TrackPoint*>& points, int part, int type)
{
    const int radius = part == TrackPoint::DrawMarker ? 3 : part == TrackPoint::DrawSelectedRing ? 8 : 10;
    wxGraphicsContext* gc = dc.GetGraphicsContext();
    wxGraphicsPath marks;
    if (gc)
        marks = gc->CreatePath();
    bool any = false;
    for (const TrackPoint* p : points) {
        // The ring parts have the values of the flag bits they show.
        const bool wanted = part == TrackPoint::DrawMarker ? p->type == type : (p->flags & part) != 0;
        wxPoint at;
        if (!wanted || !tile.Place(p->x, p->y, at) || !tile.Meets(at - wxPoint(radius, radius), at + wxPoint(radius, radius), 2))
            continue;
        if (!gc) {
            p->Draw(dc, tile.mapping, part);
            continue;
        }
        if (part == TrackPoint::DrawMarker)
            marks.AddRectangle(at.x - 3, at.y - 3, 5, 5);  // the pixels a 6 x 6 rectangle's outline covers
        else
            marks.AddEllipse(at.x - radius, at.y - radius, 2 * radius, 2 * radius);
        any = true;
    }
    if (any)
        gc->StrokePath(marks);
}

}  // namespace

void TrackPath::Draw(wxDC& dc, const PixelMapping& mapping)
{
    DrawBeneathHighlights(dc, mapping);
    DrawHighlights(dc, mapping);
}

void TrackPath::DrawHighlights(wxDC& dc, const PixelMapping& mapping)
{
    const Tile tile{DcLogicalArea(dc), mapping};
    if (tile.area.IsEmpty())
        return;
    std::vector<const TrackPoint*> marked;
    Candidates(*this, tile, nullptr, marked);
    SetTools(dc, wxColour(0, 0, 0), wxBRUSHSTYLE_TRANSPARENT, wxColour(50, 255, 255), 2);
    DrawMarkPass(dc, tile, marked, TrackPoint::DrawHighlightRing, 0);
}

void TrackPath::DrawBeneathHighlights(wxDC& dc, const PixelMapping& mapping)
{
    SettleEdges();
    const Tile tile{DcLogicalArea(dc), mapping};
    if (tile.area.IsEmpty())
        return;
    std::vector<const TrackSegment*> segments;
    std::vector<const TrackPoint*> marked;
    Candidates(*this, tile, &segments, marked);

    const wxColour white(255, 255, 255), black(0, 0, 0);
    const wxColour green(50, 255, 50), blue(50, 50, 255), red(255, 50, 50);
    if (points.size() > 1) {
        const TrackPoint& first = *points.front();
        wxPoint r, l;
        if (tile.Place(first.rightEdge[0], first.rightEdge[1], r) && tile.Place(first.leftEdge[0], first.leftEdge[1], l) &&
            tile.Meets(r, l, 5)) {
            SetTools(dc, green, wxBRUSHSTYLE_TRANSPARENT, green, 5);
            first.Draw(dc, mapping, TrackPoint::DrawStartLine);
        }
    }
    SetTools(dc, white, wxBRUSHSTYLE_SOLID, white, 1);
    DrawLinePass(dc, tile, segments, [&](const TrackPoint& p, wxPoint& at) { return tile.Place(p.x, p.y, at); });
    SetTools(dc, black, wxBRUSHSTYLE_TRANSPARENT, blue, 1);
    DrawLinePass(dc, tile, segments,
                 [&](const TrackPoint& p, wxPoint& at) { return tile.Place(p.leftEdge[0], p.leftEdge[1], at); });
    SetTools(dc, black, wxBRUSHSTYLE_TRANSPARENT, red, 1);
    DrawLinePass(dc, tile, segments,
                 [&](const TrackPoint& p, wxPoint& at) { return tile.Place(p.rightEdge[0], p.rightEdge[1], at); });

    const wxColour markerColours[3] = {blue, green, red};
    for (int type = 0; type < 3; ++type) {
        dc.SetPen(wxPen(markerColours[type], 2, wxPENSTYLE_SOLID));
        DrawMarkPass(dc, tile, marked, TrackPoint::DrawMarker, type);
    }
    SetTools(dc, black, wxBRUSHSTYLE_TRANSPARENT, wxColour(255, 255, 50), 2);
    DrawMarkPass(dc, tile, marked, TrackPoint::DrawSelectedRing, 0);
}
