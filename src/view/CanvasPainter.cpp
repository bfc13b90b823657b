#include "view/CanvasPainter.h"

#include <wx/bitmap.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/region.h>

#include "app/MainWindow.h"
#include "app/TrackCanvas.h"
#include "editor/EditorDocument.h"
#include "model/TrackPath.h"
#include "view/CanvasHandler.h"
#include "view/ViewTransform.h"

namespace {

constexpr int BandPenWidth = 2;

void DrawBand(wxDC& dc, const wxRect& band)
{
    dc.SetBrush(wxBrush(wxColour(0, 0, 0), wxBRUSHSTYLE_TRANSPARENT));
    dc.SetPen(wxPen(MainWindow::Instance()->canvasHandler->bandColour, BandPenWidth, wxPENSTYLE_SOLID));
    dc.DrawRectangle(band);
}

}  // namespace

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

    wxRect band;
    const bool banding = MainWindow::Instance()->canvasHandler->GetBand(band);

    // Only the part of the picture that the DC can show is composed: with a large
    // picture the rest would be drawn and copied for nothing.
    const wxRect area = DcLogicalArea(dc).Intersect(wxRect(0, 0, w, h));
    if (!area.IsEmpty()) {
        wxBitmap buffer(area.width, area.height, -1);
        wxMemoryDC memory(buffer);
        memory.SetDeviceOrigin(-area.x, -area.y);
        memory.DrawBitmap(*background, 0, 0, false);
        doc->GetTrackPath()->Draw(memory, doc->Mapping());
        if (banding)
            DrawBand(memory, band);  // so that the band does not flicker over the picture
        dc.Blit(area.x, area.y, area.width, area.height, &memory, area.x, area.y, wxCOPY, false);
        memory.SelectObject(wxNullBitmap);
    }
    // Again over the canvas, where it reaches past a small picture.
    if (banding)
        DrawBand(dc, band);
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

void CanvasPainter::EraseBand(const wxRect& band)
{
    TrackCanvas* canvas = MainWindow::Instance()->canvas;
    const wxBitmap* background = EditorDocument::Instance()->background;
    if (!canvas->IsShownOnScreen() || !background || !background->IsOk())
        return;
    // Paint never touches the canvas beyond the picture, so the toolkit puts back
    // its own background there; within the picture the next repaint covers the band.
    wxRegion outside(wxRect(band).Inflate(BandPenWidth));
    outside.Subtract(wxRect(0, 0, background->GetWidth(), background->GetHeight()));
    for (wxRegionIterator it(outside); it; ++it) {
        const wxRect logical = it.GetRect();
        canvas->RefreshRect(wxRect(canvas->CalcScrolledPosition(logical.GetTopLeft()), logical.GetSize()));
    }
    canvas->Update();
}
