#include "app/TrackCanvas.h"

#include <algorithm>
#include <cmath>

#include <wx/dc.h>
#include <wx/region.h>
#include <wx/utils.h>

#include "app/MainWindow.h"
#include "view/CanvasHandler.h"
#include "view/CanvasPainter.h"
#include "view/InputFlags.h"
#include "view/ViewTransform.h"

wxBEGIN_EVENT_TABLE(TrackCanvas, wxScrolledWindow)
    EVT_CHAR(TrackCanvas::OnChar)
    EVT_MOUSE_EVENTS(TrackCanvas::OnMouseEvent)
wxEND_EVENT_TABLE()

namespace {

// The canvas scrolls one pixel per unit: the toolkit's three units per notch
// would hardly move a large picture.
constexpr int WheelNotchPixels = 40;

int ModifierFlags(const wxKeyboardState& state)
{
    int flags = 0;
    if (state.AltDown())
        flags |= InputFlags::Alt;
    if (state.ControlDown())
        flags |= InputFlags::Control;
    if (state.ShiftDown())
        flags |= InputFlags::Shift;
    return flags;
}

}  // namespace

// wxWANTS_CHARS: Tab, Delete and the arrow keys must reach the key map as characters.
TrackCanvas::TrackCanvas(wxWindow* parent, const wxPoint& pos, const wxSize& size)
    : wxScrolledWindow(parent, wxID_ANY, pos, size, wxSUNKEN_BORDER | wxWANTS_CHARS | wxHSCROLL | wxVSCROLL,
                       "panel")
{
}

void TrackCanvas::OnDraw(wxDC& dc)
{
    // The area the toolkit asks for, from the window's units to logical pixels,
    // and the DC drawing in logical pixels.
    const double u = WindowUnitsPerPixel(*this);
    const wxPoint origin = CalcUnscrolledPosition(wxPoint(0, 0));
    wxRegion area;
    for (wxRegionIterator it(GetUpdateRegion()); it; ++it) {
        const wxRect r = it.GetRect();
        const int x0 = int(std::floor((r.x + origin.x) / u)), y0 = int(std::floor((r.y + origin.y) / u));
        area.Union(wxRect(x0, y0, int(std::ceil((r.GetRight() + 1 + origin.x) / u)) - x0,
                          int(std::ceil((r.GetBottom() + 1 + origin.y) / u)) - y0));
    }
    dc.SetUserScale(u, u);
    CanvasPainter::Instance()->Paint(dc, area);
}

void TrackCanvas::ShowArea(const wxSize& logical)
{
    const double u = WindowUnitsPerPixel(*this);
    SetScrollbars(1, 1, int(std::lround(logical.x * u)), int(std::lround(logical.y * u)), 0, 0, false);
}

wxPoint TrackCanvas::ToClient(const wxPoint& window) const
{
    const double u = WindowUnitsPerPixel(*this);
    return wxPoint(int(std::floor(window.x / u)), int(std::floor(window.y / u)));
}

wxPoint TrackCanvas::ToLogical(const wxPoint& window) const
{
    int startX, startY, unitX, unitY;
    GetViewStart(&startX, &startY);
    GetScrollPixelsPerUnit(&unitX, &unitY);
    return ToClient(window + wxPoint(startX * unitX, startY * unitY));
}

void TrackCanvas::OnMouseEvent(wxMouseEvent& event)
{
    // The wheel only scrolls: the mode machine never sees it, so a drag goes on.
    if (event.GetEventType() == wxEVT_MOUSEWHEEL) {
        OnWheel(event);
        return;
    }
    int flags = event.Leaving() ? InputFlags::Leave : 0;
    flags |= ModifierFlags(event);
    const wxEventType type = event.GetEventType();
    if (type == wxEVT_MOTION)
        flags |= InputFlags::Motion;
    else if (type == wxEVT_LEFT_DOWN)
        flags |= InputFlags::Press | InputFlags::Left;
    else if (type == wxEVT_MIDDLE_DOWN)
        flags |= InputFlags::Press | InputFlags::Middle;
    else if (type == wxEVT_RIGHT_DOWN)
        flags |= InputFlags::Press | InputFlags::Right;
    else if (type == wxEVT_LEFT_UP)
        flags |= InputFlags::Release | InputFlags::Left;
    else if (type == wxEVT_MIDDLE_UP)
        flags |= InputFlags::Release | InputFlags::Middle;
    else if (type == wxEVT_RIGHT_UP)
        flags |= InputFlags::Release | InputFlags::Right;
    if (event.LeftIsDown())
        flags |= InputFlags::Left;
    if (event.MiddleIsDown())
        flags |= InputFlags::Middle;
    if (event.RightIsDown())
        flags |= InputFlags::Right;

    const wxPoint client = ToClient(event.GetPosition());
    const wxPoint logical = ToLogical(event.GetPosition());
    MainWindow::Instance()->canvasHandler->HandleMouse(client.x, client.y, logical.x, logical.y, flags);
    SetFocus();
}

void TrackCanvas::OnWheel(const wxMouseEvent& event)
{
    const int delta = event.GetWheelDelta();
    if (delta <= 0)
        return;
    // A touchpad sends fractions of a notch; wheel up and Shift+wheel up go back.
    const int pixels = int(std::lround(event.GetWheelRotation() * WheelNotchPixels * WindowUnitsPerPixel(*this) / delta));
    int dx = 0, dy = 0;
    if (event.GetWheelAxis() == wxMOUSE_WHEEL_HORIZONTAL)
        dx = pixels;
    else if (event.ShiftDown())
        dx = -pixels;
    else
        dy = -pixels;

    // Scroll stops at the far end by itself; at the near end -1 would mean
    // "leave this axis alone", so positions stop at 0 here.
    int startX, startY, unitX, unitY;
    GetViewStart(&startX, &startY);
    GetScrollPixelsPerUnit(&unitX, &unitY);
    Scroll(unitX > 0 ? std::max(startX + dx / unitX, 0) : -1, unitY > 0 ? std::max(startY + dy / unitY, 0) : -1);
}

void TrackCanvas::OnChar(wxKeyEvent& event)
{
    const int flags = ModifierFlags(event);
    int key = event.GetKeyCode();
    // Control plus a letter arrives as its control code; 8, 9 and 13 stay, as
    // they are also Backspace, Tab and Return.
    if ((flags & InputFlags::Control) && key >= 1 && key <= 26 && key != 8 && key != 9 && key != 13)
        key += 'a' - 1;
    // The cursor position at the time of the key, read directly in client pixels.
    const wxPoint window = ScreenToClient(wxGetMousePosition());
    const wxPoint client = ToClient(window), logical = ToLogical(window);
    // A key the map has no use for goes on to the toolkit: F10 and Alt+F open
    // the menus, Page Down scrolls.
    if (!MainWindow::Instance()->canvasHandler->HandleKey(key, client.x, client.y, logical.x, logical.y, flags))
        event.Skip();
    SetFocus();
}
