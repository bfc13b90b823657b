// The path painter draws each pass in a few calls (a polyline per run, a path
// of squares per marker type) and leaves out what is out of view; what it puts
// on the picture must be what one call per line and marker puts there.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/image.h>

#include "support/GuiDriver.h"

namespace {


void Add(float px, float py, float w, int type, int flags = 0)
{
    float x = 0, y = 0;
    ASSERT_TRUE(Doc()->Mapping().PixelToWorld(int(px), int(py), x, y));
    auto* p = new TrackPoint(x, y, w, type);
    p->flags = flags;
    ASSERT_TRUE(Path()->InsertPoint(p, nullptr));
}

// One call per point and part, in the passes and with the tools of the painter.
void PaintPartByPart(wxDC& dc)
{
    TrackPath& path = *Path();
    for (TrackPoint* p : path.points)
        p->ComputeEdges();
    auto pass = [&](const wxColour& brush, wxBrushStyle style, const wxColour& pen, int width, int part) {
        dc.SetBrush(wxBrush(brush, style));
        dc.SetPen(wxPen(pen, width, wxPENSTYLE_SOLID));
        for (TrackPoint* p : path.points)
            p->Draw(dc, Doc()->Mapping(), part);
    };
    const wxColour white(255, 255, 255), black(0, 0, 0), green(50, 255, 50), blue(50, 50, 255), red(255, 50, 50);
    if (path.points.size() > 1) {
        dc.SetBrush(wxBrush(green, wxBRUSHSTYLE_TRANSPARENT));
        dc.SetPen(wxPen(green, 5, wxPENSTYLE_SOLID));
        path.points.front()->Draw(dc, Doc()->Mapping(), TrackPoint::DrawStartLine);
    }
    pass(white, wxBRUSHSTYLE_SOLID, white, 1, TrackPoint::DrawCentreLine);
    pass(black, wxBRUSHSTYLE_TRANSPARENT, blue, 1, TrackPoint::DrawLeftBorder);
    pass(black, wxBRUSHSTYLE_TRANSPARENT, red, 1, TrackPoint::DrawRightBorder);
    const wxColour markers[3] = {blue, green, red};
    for (int type = 0; type < 3; ++type) {
        dc.SetPen(wxPen(markers[type], 2, wxPENSTYLE_SOLID));
        for (TrackPoint* p : path.points)
            if (p->type == type)
                p->Draw(dc, Doc()->Mapping(), TrackPoint::DrawMarker);
    }
    pass(black, wxBRUSHSTYLE_TRANSPARENT, wxColour(255, 255, 50), 2, TrackPoint::DrawSelectedRing);
    pass(black, wxBRUSHSTYLE_TRANSPARENT, wxColour(50, 255, 255), 2, TrackPoint::DrawHighlightRing);
}

// A window of the picture, scrolled to origin, as the canvas painter draws it.
wxImage Paint(bool batched, const wxRect& window)
{
    wxBitmap bitmap(window.width, window.height, -1);
    {
        wxMemoryDC dc(bitmap);
        dc.SetBackground(wxBrush(wxColour(20, 60, 30)));
        dc.Clear();
        dc.SetDeviceOrigin(-window.x, -window.y);
        if (batched)
            Path()->Draw(dc, Doc()->Mapping());
        else
            PaintPartByPart(dc);
    }
    return bitmap.ConvertToImage();
}

void Meander(int n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> turn(-0.6, 0.6), width(1.0, 6.0);
    double x = 200, y = 200, heading = 0;
    for (int i = 0; i < n; ++i) {
        Add(float(x), float(y), float(width(rng)), int(rng() % 4),
            i % 97 == 5 ? TrackPoint::Selected : i % 101 == 7 ? TrackPoint::Highlighted : 0);
        heading += turn(rng);
        x += 9 * std::cos(heading);
        y += 9 * std::sin(heading);
        if (x < 20 || x > 380 || y < 20 || y > 380)
            heading += 3.14159;
    }
}

void PaintedAndSelected()
{
    Meander(40, 3);
    Paint(true, wxRect(0, 0, 400, 400));
    for (TrackPoint* p : Path()->points)
        Doc()->Select(p);
}

TEST(BatchedPainting, DrawsWhatOneCallPerPartDraws)
{
    const struct {
        const char* name;
        void (*make)();
        wxRect window;
    } cases[] = {
        {"meander, whole picture", [] { Meander(600, 1); }, wxRect(0, 0, 400, 400)},
        {"meander, scrolled window", [] { Meander(600, 2); }, wxRect(130, 90, 170, 150)},
        {"one point", [] { Add(50, 60, 4, 1, TrackPoint::Selected | TrackPoint::Highlighted); }, wxRect(0, 0, 200, 200)},
        {"coincident points, hairpin, straight run",
         [] {
             Add(40, 40, 3, 0);
             Add(40, 40, 3, 1);
             Add(90, 40, 3, 2);
             Add(40, 41, 5, 0);
             Add(140, 120, 2, 1);
             Add(160, 120, 2, 2);
             Add(180, 120, 2, 0);
         },
         wxRect(0, 0, 250, 200)},
        {"line leaving the window", [] { Add(20, 20, 3, 0); Add(380, 380, 3, 1); Add(20, 380, 3, 2); },
         wxRect(100, 100, 60, 60)},
        // Edited after a paint: the edges drawn next must follow the edit.
        {"widened", [] { PaintedAndSelected(); Doc()->AdjustWidth(4); }, wxRect(0, 0, 400, 400)},
        {"dragged", [] { PaintedAndSelected(); Doc()->StartMove(0, 0); Doc()->DragMove(30, 20); }, wxRect(0, 0, 400, 400)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        gui::ResetDocument();
        c.make();
        const wxImage batched = Paint(true, c.window), reference = Paint(false, c.window);
        // A polyline is stroked once where single lines overlap at their ends
        // (and where a hairpin runs back over itself), so the anti-aliased
        // pixels there blend a little differently; anything missing, moved or
        // of another colour differs by far more.
        int worst = 0, worstX = -1, worstY = -1;
        for (int y = 0; y < c.window.height; ++y)
            for (int x = 0; x < c.window.width; ++x) {
                const int d = std::max({std::abs(batched.GetRed(x, y) - reference.GetRed(x, y)),
                                        std::abs(batched.GetGreen(x, y) - reference.GetGreen(x, y)),
                                        std::abs(batched.GetBlue(x, y) - reference.GetBlue(x, y))});
                if (d > worst) {
                    worst = d;
                    worstX = x;
                    worstY = y;
                }
            }
        EXPECT_LE(worst, 64) << "at " << worstX << "," << worstY;
    }
}

}  // namespace
