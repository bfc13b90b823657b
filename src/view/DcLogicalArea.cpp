#include "view/DcLogicalArea.h"

#include <wx/dc.h>

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
