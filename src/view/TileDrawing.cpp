#include "view/TileDrawing.h"

#include <algorithm>
#include <type_traits>

#include <wx/dc.h>

#include "model/PixelMapping.h"
#include "model/TrackPath.h"
#include "model/TrackPoint.h"
#include "model/TrackSegment.h"
#include "view/CanvasPainter.h"

// Cairo's anti-aliasing of one stroke hangs a little on all of the stroke's
// edges in a pixel row, so each pass holds exactly the lines whose pixel boxes
// meet the tile: a set that only a change within the tile can alter. Stroked
// as one path, crossings and joins are covered once, as along a polyline.

namespace {

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

// The objects of one kind (points or segments) whose boxes in the index come
// within margin pixels and reach path units of the tile, in a fixed order. A
// segment's box holds its centre line: its borders lie up to the edge reach away.
template <typename Object>
void Candidates(TrackPath& path, const Tile& tile, int margin, float reach, std::vector<const Object*>& found)
{
    const float layer = std::is_same_v<Object, TrackSegment> ? 1.0f : 0.0f;
    float x0, y0, x1, y1;
    if (!tile.mapping.PixelToWorld(tile.area.x - margin, tile.area.y - margin, x0, y0) ||
        !tile.mapping.PixelToWorld(tile.area.x + tile.area.width + margin, tile.area.y + tile.area.height + margin, x1, y1))
        return;
    const BoundingBox box(std::min(x0, x1) - reach, std::min(y0, y1) - reach, layer, std::max(x0, x1) + reach,
                          std::max(y0, y1) + reach, layer);
    path.index.Visit(box, [&](SpatialObject* hit) { found.push_back(static_cast<const Object*>(hit)); });
    // The index's order changes as objects move between its nodes; this one does not.
    std::sort(found.begin(), found.end());
}

TileDrawing::Pass NewPass(const wxColour& colour, int width, TileDrawing::Shape shape, int radius = 0)
{
    return {colour.Red(), colour.Green(), colour.Blue(), width, shape, radius, {}, {}};
}

// One line pass (the centre line or a border): the line from each segment's
// start to its end, where both corners can be placed. Segments that follow one
// another along the chain are joined into one run, so that a point's corner is
// a join, not two caps: the same shape, at half the cost to Cairo.
template <typename Corner>
void AddLines(std::vector<TileDrawing::Pass>& passes, const Tile& tile, const std::vector<const TrackSegment*>& segments,
              const wxColour& colour, Corner corner)
{
    std::vector<const TrackSegment*> drawn;
    for (const TrackSegment* s : segments) {
        wxPoint a, b;
        if (corner(*s->from, a) && corner(*s->to, b) && tile.Meets(a, b, 1))
            drawn.push_back(s);  // still in the order of their addresses
    }
    if (drawn.empty())
        return;
    auto isDrawn = [&](const TrackSegment* s) { return s && std::binary_search(drawn.begin(), drawn.end(), s); };
    TileDrawing::Pass pass = NewPass(colour, 1, TileDrawing::Lines);
    for (const TrackSegment* first : drawn) {
        if (isDrawn(first->from->prevSegment))
            continue;  // drawn with the run that leads into it
        const std::size_t start = pass.points.size();
        pass.points.emplace_back();
        corner(*first->from, pass.points.back());
        for (const TrackSegment* s = first; isDrawn(s); s = s->to->nextSegment) {
            pass.points.emplace_back();
            corner(*s->to, pass.points.back());
        }
        pass.runs.push_back(int(pass.points.size() - start));
    }
    passes.push_back(std::move(pass));
}

// Markers of one type, or rings (one of the ring parts, which have the values
// of the flag bits they show).
void AddMarks(std::vector<TileDrawing::Pass>& passes, const Tile& tile, const std::vector<const TrackPoint*>& points,
              int part, int type, const wxColour& colour)
{
    const bool markers = part == TrackPoint::DrawMarker;
    const int radius = markers ? 3 : part == TrackPoint::DrawSelectedRing ? 8 : 10;
    TileDrawing::Pass pass = NewPass(colour, 2, markers ? TileDrawing::Squares : TileDrawing::Circles, radius);
    for (const TrackPoint* p : points) {
        const bool wanted = markers ? p->type == type : (p->flags & part) != 0;
        wxPoint at;
        if (wanted && tile.Place(p->x, p->y, at) &&
            tile.Meets(at - wxPoint(radius, radius), at + wxPoint(radius, radius), 2))
            pass.points.push_back(at);
    }
    if (!pass.points.empty())
        passes.push_back(std::move(pass));
}

}  // namespace

void TileDrawing::Collect(TrackPath& path, const PixelMapping& mapping, const wxRect& area, Layer layer)
{
    passes.clear();
    if (area.IsEmpty())
        return;
    const Tile tile{area, mapping};
    std::vector<const TrackSegment*> segments;
    std::vector<const TrackPoint*> marked;
    Candidates(path, tile, CanvasPainter::RingMargin, 0.0f, marked);
    if (layer == Highlights) {
        AddMarks(passes, tile, marked, TrackPoint::DrawHighlightRing, 0, wxColour(50, 255, 255));
        return;
    }
    path.SettleEdges();
    Candidates(path, tile, 3, path.EdgeReach(), segments);  // a line's pen and its anti-aliasing

    const wxColour green(50, 255, 50), blue(50, 50, 255), red(255, 50, 50);
    if (path.points.size() > 1) {
        const TrackPoint& first = *path.points.front();
        wxPoint r, l;
        if (tile.Place(first.rightEdge[0], first.rightEdge[1], r) && tile.Place(first.leftEdge[0], first.leftEdge[1], l) &&
            tile.Meets(r, l, 5)) {
            passes.push_back(NewPass(green, 5, Lines));
            passes.back().points = {r, l};
            passes.back().runs = {2};
        }
    }
    AddLines(passes, tile, segments, wxColour(255, 255, 255),
             [&](const TrackPoint& p, wxPoint& at) { return tile.Place(p.x, p.y, at); });
    AddLines(passes, tile, segments, blue,
             [&](const TrackPoint& p, wxPoint& at) { return tile.Place(p.leftEdge[0], p.leftEdge[1], at); });
    AddLines(passes, tile, segments, red,
             [&](const TrackPoint& p, wxPoint& at) { return tile.Place(p.rightEdge[0], p.rightEdge[1], at); });
    const wxColour markerColours[3] = {blue, green, red};
    for (int type = 0; type < 3; ++type)
        AddMarks(passes, tile, marked, TrackPoint::DrawMarker, type, markerColours[type]);
    AddMarks(passes, tile, marked, TrackPoint::DrawSelectedRing, 0, wxColour(255, 255, 50));
}

void TileDrawing::AddFrame(const wxRect& frame, const wxColour& colour)
{
    passes.push_back(NewPass(colour, 2, Frame));
    passes.back().points = {frame.GetTopLeft(), wxPoint(frame.width, frame.height)};
}

void TileDrawing::Draw(wxDC& dc) const
{
    dc.SetBrush(wxBrush(wxColour(0, 0, 0), wxBRUSHSTYLE_TRANSPARENT));
    for (const Pass& pass : passes) {
        dc.SetPen(wxPen(wxColour(pass.red, pass.green, pass.blue), pass.width, wxPENSTYLE_SOLID));
        const int r = pass.radius;
        switch (pass.shape) {
        case Lines:
            for (std::size_t i = 0, at = 0; i < pass.runs.size(); at += pass.runs[i++])
                dc.DrawLines(pass.runs[i], &pass.points[at]);
            break;
        case Squares:
            for (const wxPoint& p : pass.points)
                dc.DrawRectangle(p.x - r, p.y - r, 2 * r, 2 * r);
            break;
        case Circles:
            for (const wxPoint& p : pass.points)
                dc.DrawEllipse(p.x - r, p.y - r, 2 * r, 2 * r);
            break;
        case Frame:
            dc.DrawRectangle(wxRect(pass.points[0], wxSize(pass.points[1].x, pass.points[1].y)));
            break;
        }
    }
}
