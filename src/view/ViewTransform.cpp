#include "view/ViewTransform.h"

#include <wx/scrolwin.h>

void PanView(wxScrolledWindow& canvas, int lastX, int lastY, int x, int y)
{
    const int ddx = lastX - x;
    const int ddy = lastY - y;
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
