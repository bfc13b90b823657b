#include "view/CanvasPainter.h"

#include <algorithm>

#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/region.h>

#include "app/MainWindow.h"
#include "app/TrackCanvas.h"
#include "editor/EditorDocument.h"
#include "model/DcLogicalArea.h"
#include "model/TrackPath.h"
#include "model/TrackPoint.h"
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
    Compose(dc, false);
}

bool CanvasPainter::SceneHolds(const wxRect& area, const wxBitmap& picture, std::uint64_t revision,
                               const PixelMapping& mapping) const
{
    return scene.IsOk() && sceneArea.Contains(area) && scenePicture.IsSameAs(picture) &&
           sceneRevision == revision && sceneMapping.hasPicture == mapping.hasPicture &&
           sceneMapping.width == mapping.width && sceneMapping.height == mapping.height;
}

void CanvasPainter::Compose(wxDC& dc, bool reuseScene)
{
    EditorDocument* doc = EditorDocument::Instance();
    const wxBitmap* background = doc->GetBackgroundBitmap();
    if (!background) {
        dc.DrawText("No image", 20, 20);
        return;
    }
    const int w = background->IsOk() ? background->GetWidth() : 0;
    const int h = background->IsOk() ? background->GetHeight() : 0;

    CanvasHandler* handler = MainWindow::Instance()->canvasHandler;
    wxRect band;
    const bool banding = handler->GetBand(band);

    // Only the part of the picture that the DC can show is composed: with a large
    // picture the rest would be drawn and copied for nothing.
    const wxRect area = DcLogicalArea(dc).Intersect(wxRect(0, 0, w, h));
    if (!area.IsEmpty()) {
        TrackPath* path = doc->GetTrackPath();
        const PixelMapping mapping = doc->Mapping();
        if (!reuseScene || !SceneHolds(area, *background, path->Revision(), mapping)) {
            if (!scene.IsOk() || scene.GetSize() != area.GetSize())
                scene = wxBitmap(area.width, area.height, -1);
            sceneArea = area;
            sceneHighlights.clear();
            wxMemoryDC memory(scene);
            memory.SetDeviceOrigin(-area.x, -area.y);
            memory.DrawBitmap(*background, 0, 0, false);
            path->DrawBeneathHighlights(memory, mapping, sceneHighlights);
            memory.SelectObject(wxNullBitmap);
            scenePicture = *background;
            sceneRevision = path->Revision();
            sceneMapping = mapping;
        }
        // The rings of then, and of the point the cursor has come to since.
        std::vector<TrackPoint*> rings;
        for (TrackPoint* p : sceneHighlights)
            if (p->IsHighlighted())
                rings.push_back(p);
        TrackPoint* hover = handler->hoverPoint;
        if (hover && hover->IsHighlighted() && std::find(rings.begin(), rings.end(), hover) == rings.end())
            rings.push_back(hover);

        wxMemoryDC source(scene);
        source.SetDeviceOrigin(-sceneArea.x, -sceneArea.y);
        if (rings.empty() && !banding) {
            dc.Blit(area.x, area.y, area.width, area.height, &source, area.x, area.y, wxCOPY, false);
        } else {
            wxBitmap buffer(area.width, area.height, -1);
            wxMemoryDC memory(buffer);
            memory.SetDeviceOrigin(-area.x, -area.y);
            memory.Blit(area.x, area.y, area.width, area.height, &source, area.x, area.y, wxCOPY, false);
            TrackPath::DrawHighlightRings(memory, mapping, rings);
            if (banding)
                DrawBand(memory, band);  // so that the band does not flicker over the picture
            dc.Blit(area.x, area.y, area.width, area.height, &memory, area.x, area.y, wxCOPY, false);
            memory.SelectObject(wxNullBitmap);
        }
        source.SelectObject(wxNullBitmap);
    }
    // Again over the canvas, where it reaches past a small picture.
    if (banding)
        DrawBand(dc, band);
}

void CanvasPainter::Redraw()
{
    RedrawCanvas(false);
}

void CanvasPainter::RedrawHover()
{
    RedrawCanvas(true);
}

void CanvasPainter::RedrawCanvas(bool reuseScene)
{
    TrackCanvas* canvas = MainWindow::Instance()->canvas;
    // Nothing can be seen before the window is shown, and the first paint must
    // find the canvas at its real size (the default picture takes that size).
    if (!canvas->IsShownOnScreen())
        return;
    wxClientDC dc(canvas);
    canvas->PrepareDC(dc);
    Compose(dc, reuseScene);
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
