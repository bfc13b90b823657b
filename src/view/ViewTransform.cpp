#include "view/ViewTransform.h"

#include <cmath>

#include <wx/scrolwin.h>

void PanView(wxScrolledWindow& canvas, int lastX, int lastY, int x, int y)
{
    // Client pixels are logical; the scroll position counts the window's units.
    const double u = WindowUnitsPerPixel(canvas);
    const int ddx = int(std::lround((lastX - x) * u));
    const int ddy = int(std::lround((lastY - y) * u));
    int sx, sy;
    canvas.GetViewStart(&sx, &sy);
    wxScrollWinEvent event(wxEVT_SCROLLWIN_THUMBTRACK);
    event.SetEventObject(&canvas);
    if (ddx != 0) {
        event.SetPosition(sx + ddx);
        event.SetOrientation(wxHORIZONTAL);
        canvas.GetEventHandler()->ProcessEvent(event);
    }
    if (ddy != 0) {
        event.SetPosition(sy + ddy);
        event.SetOrientation(wxVERTICAL);
        canvas.GetEventHandler()->ProcessEvent(event);
    }
}

double WindowUnitsPerPixel(const wxWindow& window)
{
    return window.GetDPIScaleFactor() / window.GetContentScaleFactor();
}
