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

namespace {

// The chain is drawn in runs, each from a waymark (or the first point) up to
// the next waymark (or the last point). A run's lines are stroked as one
// polyline, and its markers of one type as one path, whatever part of the
// canvas is being painted: anti-aliased pixels where strokes meet or overlap
// then come out the same in a partial repaint as in a whole one. The runs stay
// the same while points elsewhere come and go.
TrackPoint* RunStart(TrackPoint* p)
{
    while (!p->IsWaymark()) {
        TrackPoint* previous = p->PrevPoint();
        if (!previous)
            break;
        p = previous;
    }
    return p;
}

// Visits the points of the run from start; returns the point where its lines
// end (the next run's start), or null at the end of the chain.
template <typename Visit>
const TrackPoint* ForRun(const TrackPoint* start, Visit&& visit)
{
    const TrackPoint* p = start;
    do {
        visit(*p);
        p = p->NextPoint();
    } while (p && !p->IsWaymark());
    return p;
}

// The starts of the runs whose drawing may reach the area (logical pixels), in
// a fixed order, so that overlapping runs are laid down in the same order
// whichever part of the canvas is painted. The index holds positions and
// centre lines; the edge points lie up to the path's edge reach away.
std::vector<const TrackPoint*> RunsMeeting(TrackPath& path, const PixelMapping& mapping, const wxRect& area)
{
    std::vector<const TrackPoint*> starts;
    const int m = CanvasPainter::DrawingMargin;
    float x0, y0, x1, y1;
    if (!mapping.PixelToWorld(area.x - m, area.y - m, x0, y0) ||
        !mapping.PixelToWorld(area.x + area.width + m, area.y + area.height + m, x1, y1))
        return starts;
    const float reach = path.EdgeReach();
    const BoundingBox box(std::min(x0, x1) - reach, std::min(y0, y1) - reach, 0.0f, std::max(x0, x1) + reach,
                          std::max(y0, y1) + reach, 1.0f);
    path.index.Visit(box, [&](SpatialObject* hit) {
        TrackPoint* p = OctreeNode::LayerOf(hit->bounds) == 0 ? static_cast<TrackPoint*>(hit)
                                                                : static_cast<TrackSegment*>(hit)->from;
        starts.push_back(RunStart(p));
    });
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    return starts;
}

void SetTools(wxDC& dc, const wxColour& brush, wxBrushStyle brushStyle, const wxColour& pen, int width)
{
    dc.SetBrush(wxBrush(brush, brushStyle));
    dc.SetPen(wxPen(pen, width, wxPENSTYLE_SOLID));
}

// One line pass (the centre line or a border) over a run: one polyline, broken
// only where a point cannot be placed, as such a point draws no line.
template <typename Corner>
void DrawRunLines(wxDC& dc, const TrackPoint* start, Corner corner)
{
    std::vector<wxPoint> line;
    auto add = [&](const TrackPoint& p) {
        wxPoint at;
        if (corner(p, at)) {
            line.push_back(at);
            return;
        }
        if (line.size() >= 2)
            dc.DrawLines(int(line.size()), line.data());
        line.clear();
    };
    if (const TrackPoint* end = ForRun(start, add))
        add(*end);
    if (line.size() >= 2)
        dc.DrawLines(int(line.size()), line.data());
}

// The run's markers of one type as one path of squares, stroked once, where the
// DC draws through a graphics context (as on GTK); one rectangle each elsewhere.
void DrawRunMarkers(wxDC& dc, const PixelMapping& mapping, const TrackPoint* start, int type)
{
    wxGraphicsContext* gc = dc.GetGraphicsContext();
    wxGraphicsPath squares;
    if (gc)
        squares = gc->CreatePath();
    bool any = false;
    ForRun(start, [&](const TrackPoint& p) {
        wxPoint at;
        if (p.type != type || !mapping.WorldToPixel(p.x, p.y, at.x, at.y))
            return;
        if (!gc) {
            p.Draw(dc, mapping, TrackPoint::DrawMarker);
            return;
        }
        // What the DC's own rectangle gives: an outline one pixel in from the
        // 6 x 6 box, so it covers the same pixels as a raster DC's.
        squares.AddRectangle(at.x - 3, at.y - 3, 5, 5);
        any = true;
    });
    if (any)
        gc->StrokePath(squares);
}

}  // namespace

void TrackPath::Draw(wxDC& dc, const PixelMapping& mapping)
{
    SettleEdges();
    const wxRect area = DcLogicalArea(dc);
    if (area.IsEmpty())
        return;
    const std::vector<const TrackPoint*> runs = RunsMeeting(*this, mapping, area);
    if (runs.empty())
        return;

    const wxColour white(255, 255, 255), black(0, 0, 0);
    const wxColour green(50, 255, 50), blue(50, 50, 255), red(255, 50, 50);
    // The first point always starts a run: its run is there when the bar may be in view.
    if (points.size() > 1 && std::binary_search(runs.begin(), runs.end(), points.front())) {
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
    for (const TrackPoint* run : runs)
        DrawRunLines(dc, run, centre);
    SetTools(dc, black, wxBRUSHSTYLE_TRANSPARENT, blue, 1);
    for (const TrackPoint* run : runs)
        DrawRunLines(dc, run, leftCorner);
    SetTools(dc, black, wxBRUSHSTYLE_TRANSPARENT, red, 1);
    for (const TrackPoint* run : runs)
        DrawRunLines(dc, run, rightCorner);

    const wxColour markerColours[3] = {blue, green, red};
    for (int type = 0; type < 3; ++type) {
        dc.SetPen(wxPen(markerColours[type], 2, wxPENSTYLE_SOLID));
        for (const TrackPoint* run : runs)
            DrawRunMarkers(dc, mapping, run, type);
    }
    // Rings are few (the selection and the point under the cursor): one call each.
    const struct {
        wxColour colour;
        int part;
    } rings[] = {{wxColour(255, 255, 50), TrackPoint::DrawSelectedRing}, {wxColour(50, 255, 255), TrackPoint::DrawHighlightRing}};
    for (const auto& ring : rings) {
        SetTools(dc, black, wxBRUSHSTYLE_TRANSPARENT, ring.colour, 2);
        for (const TrackPoint* run : runs)
            ForRun(run, [&](const TrackPoint& p) {
                if (p.flags & ring.part)  // the parts' values are the flag bits they show
                    p.Draw(dc, mapping, ring.part);
            });
    }
}
