#include "view/ViewTransform.h"

#include <cmath>

#include <wx/bitmap.h>
#include <wx/event.h>
#include <wx/dc.h>
#include <wx/log.h>

#include "app/MainWindow.h"
#include "app/TrackCanvas.h"
#include "editor/EditorDocument.h"

const float WorldWidth = 128.0f - (-128.0f);
const float WorldHeight = 128.0f - (-128.0f);

namespace {

// A path file may hold any float: pixel positions are kept within a range that
// int arithmetic and the drawing back end handle, far outside any canvas.
constexpr double PixelLimit = 1 << 22;

bool ToPixel(double value, int& out)
{
    if (std::isnan(value))
        return false;
    if (value > PixelLimit)
        value = PixelLimit;
    if (value < -PixelLimit)
        value = -PixelLimit;
    out = int(value);  // truncation toward zero, as the rounding below expects
    return true;
}

bool PictureSize(int& w, int& h)
{
    const wxBitmap* bitmap = EditorDocument::Instance()->GetBackgroundBitmap();
    if (!bitmap)
        return false;
    w = bitmap->IsOk() ? bitmap->GetWidth() : 0;
    h = bitmap->IsOk() ? bitmap->GetHeight() : 0;
    return true;
}

bool CheckedPictureSize(int& w, int& h)
{
    if (!PictureSize(w, h))
        return false;
    if (w == 0 || h == 0) {
        wxLogError("Invalid bitmap dimensions:  %dx%d", w, h);
        return false;
    }
    return true;
}

void ToWorld(int px, int py, int w, int h, float& x, float& y)
{
    x = float(double(px) / w * WorldWidth - WorldWidth * 0.5);
    y = float(WorldHeight * 0.5 - double(py) / h * WorldHeight);
}

}  // namespace

bool WorldToPixel(float x, float y, int& px, int& py)
{
    int w, h;
    if (!PictureSize(w, h))
        return false;
    const double fx = ((double(x) + WorldWidth * 0.5) / WorldWidth) * w + 0.5;
    const double fy = (double(h) / WorldHeight) * (WorldHeight * 0.5 - double(y)) + 0.5;
    return ToPixel(fx, px) && ToPixel(fy, py);
}

bool PixelToWorld(int px, int py, float& x, float& y)
{
    int w, h;
    if (!CheckedPictureSize(w, h))
        return false;
    ToWorld(px, py, w, h, x, y);
    return true;
}

bool PixelSquareToWorldBox(int px, int py, int r, float& x1, float& y1, float& x2, float& y2)
{
    int w, h;
    if (!CheckedPictureSize(w, h))
        return false;
    ToWorld(px - r, py - r, w, h, x1, y1);
    ToWorld(px + r, py + r, w, h, x2, y2);
    return true;
}

void PanView(int lastX, int lastY, int x, int y)
{
    TrackCanvas* canvas = MainWindow::Instance()->canvas;
    const int ddx = lastX - x;
    const int ddy = lastY - y;
    int sx, sy;
    canvas->GetViewStart(&sx, &sy);
    wxScrollWinEvent event(wxEVT_SCROLLWIN_THUMBTRACK);
    event.SetEventObject(canvas);
    if (ddx != 0) {
        event.SetPosition(sx + ddx);
        event.SetOrientation(wxHORIZONTAL);
        canvas->GetEventHandler()->ProcessEvent(event);
    }
    if (ddy != 0) {
        event.SetPosition(sy + ddy);
        event.SetOrientation(wxVERTICAL);
        canvas->GetEventHandler()->ProcessEvent(event);
    }
}

wxRect DcLogicalArea(const wxDC& dc)
{
    const wxSize size = dc.GetSize();
    const wxPoint topLeft(dc.DeviceToLogicalX(0), dc.DeviceToLogicalY(0));
    wxRect area(topLeft, wxSize(dc.DeviceToLogicalXRel(size.x), dc.DeviceToLogicalYRel(size.y)));
    wxCoord cx, cy, cw, ch;
    if (dc.GetClippingBox(&cx, &cy, &cw, &ch) && cw > 0 && ch > 0)
        area.Intersect(wxRect(cx, cy, cw, ch));
    return area;
}
