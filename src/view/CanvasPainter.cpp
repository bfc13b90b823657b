#include "view/CanvasPainter.h"

#include <wx/bitmap.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>

#include "app/MainWindow.h"
#include "app/TrackCanvas.h"
#include "editor/EditorDocument.h"
#include "model/TrackPath.h"
#include "view/CanvasHandler.h"
#include "view/ViewTransform.h"

void CanvasPainter::Paint(wxDC& dc)
{
    EditorDocument* doc = EditorDocument::Instance();
    const wxBitmap* background = doc->GetBackgroundBitmap();
    if (!background) {
        dc.DrawText("No image", 20, 20);
        return;
    }
    const int w = background->IsOk() ? background->GetWidth() : 0;
    const int h = background->IsOk() ? background->GetHeight() : 0;

    // Only the part of the picture that the DC can show is composed: with a large
    // picture the rest would be drawn and copied for nothing.
    const wxRect area = DcLogicalArea(dc).Intersect(wxRect(0, 0, w, h));
    if (area.IsEmpty())
        return;

    wxBitmap buffer(area.width, area.height, -1);
    wxMemoryDC memory(buffer);
    memory.SetDeviceOrigin(-area.x, -area.y);
    memory.DrawBitmap(*background, 0, 0, false);
    doc->GetTrackPath()->Draw(memory, doc->Mapping());

    wxRect band;
    if (MainWindow::Instance()->canvasHandler->GetBand(band)) {
        memory.SetBrush(wxBrush(wxColour(0, 0, 0), wxBRUSHSTYLE_TRANSPARENT));
        memory.SetPen(wxPen(MainWindow::Instance()->canvasHandler->bandColour, 2, wxPENSTYLE_SOLID));
        memory.DrawRectangle(band);
    }

    dc.Blit(area.x, area.y, area.width, area.height, &memory, area.x, area.y, wxCOPY, false);
    memory.SelectObject(wxNullBitmap);
}

void CanvasPainter::Redraw()
{
    TrackCanvas* canvas = MainWindow::Instance()->canvas;
    // Nothing can be seen before the window is shown, and the first paint must
    // find the canvas at its real size (the default picture takes that size).
    if (!canvas->IsShownOnScreen())
        return;
    wxClientDC dc(canvas);
    canvas->PrepareDC(dc);
    Paint(dc);
}
