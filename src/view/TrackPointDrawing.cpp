// How one point draws itself: a member of the point, kept with the rest of the
// drawing so that the model holds no pens and no device contexts.
#include <wx/dc.h>

#include "model/PixelMapping.h"
#include "model/TrackPoint.h"
#include "model/TrackSegment.h"

void TrackPoint::Draw(wxDC& dc, const PixelMapping& mapping, int parts) const
{
    int px, py;
    if (!mapping.WorldToPixel(x, y, px, py))
        return;
    if (parts & DrawMarker)
        dc.DrawRectangle(px - 3, py - 3, 6, 6);
    if ((parts & DrawSelectedRing) && IsSelected())
        dc.DrawEllipse(px - 8, py - 8, 16, 16);
    if ((parts & DrawHighlightRing) && IsHighlighted())
        dc.DrawEllipse(px - 10, py - 10, 20, 20);

    const TrackPoint* next = NextPoint();
    if ((parts & DrawCentreLine) && next) {
        int qx, qy;
        if (!mapping.WorldToPixel(next->x, next->y, qx, qy))
            return;
        dc.DrawLine(px, py, qx, qy);
    }
    if ((parts & (DrawRightBorder | DrawLeftBorder)) && next) {
        const bool right = (parts & DrawRightBorder) != 0;
        const float* a = right ? rightEdge : leftEdge;
        const float* b = right ? next->rightEdge : next->leftEdge;
        int ax, ay, bx, by;
        if (!mapping.WorldToPixel(a[0], a[1], ax, ay) || !mapping.WorldToPixel(b[0], b[1], bx, by))
            return;
        dc.DrawLine(ax, ay, bx, by);
    }
    if (parts & DrawStartLine) {
        int rx, ry, lx, ly;
        if (!mapping.WorldToPixel(rightEdge[0], rightEdge[1], rx, ry) ||
            !mapping.WorldToPixel(leftEdge[0], leftEdge[1], lx, ly))
            return;
        dc.DrawLine(rx, ry, lx, ly);
    }
}
