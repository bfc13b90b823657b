#include "view/CanvasPainter.h"

#include <wx/dcmemory.h>
#include <wx/region.h>
#include <wx/scrolwin.h>

#include "app/MainWindow.h"
#include "editor/EditorDocument.h"
#include "model/TrackPath.h"
#include "view/CanvasHandler.h"
#include "view/DcLogicalArea.h"

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
    PaintArea(dc, DcLogicalArea(dc));
}

void CanvasPainter::Paint(wxDC& dc, const wxRegion& area)
{
    for (wxRegionIterator it(area); it; ++it)
        PaintArea(dc, it.GetRect());
}

void CanvasPainter::PaintArea(wxDC& dc, const wxRect& logical)
{
    EditorDocument* doc = EditorDocument::Instance();
    const wxBitmap* background = doc->GetBackgroundBitmap();
    if (!background) {
        dc.DrawText("No image", 20, 20);
        return;
    }
    const wxRect picture(0, 0, background->IsOk() ? background->GetWidth() : 0,
                         background->IsOk() ? background->GetHeight() : 0);
    wxRect band;
    const bool banding = MainWindow::Instance()->canvasHandler->GetBand(band);

    const wxRect area = wxRect(logical).Intersect(picture);
    if (!area.IsEmpty()) {
        doc->SettleMove();  // the drawing finds the points through the index
        TrackPath* path = doc->GetTrackPath();
        const PixelMapping mapping = doc->Mapping();
        if (!tile.IsOk())
            tile = wxBitmap(TileSize, TileSize, -1);
        wxMemoryDC memory(tile);
        // Whole tiles of a fixed grid, always: Cairo's anti-aliasing of a line
        // depends a little on the bounds of the surface it is drawn on, and on
        // the same tile a pixel comes out the same in every repaint.
        for (int ty = area.y / TileSize; ty * TileSize <= area.GetBottom(); ++ty) {
            for (int tx = area.x / TileSize; tx * TileSize <= area.GetRight(); ++tx) {
                const wxRect part = wxRect(tx * TileSize, ty * TileSize, TileSize, TileSize).Intersect(area);
                memory.SetDeviceOrigin(-tx * TileSize, -ty * TileSize);
                // A tile holds whatever the last one left; the picture's partly
                // transparent pixels must not show it.
                memory.SetBackground(*wxBLACK_BRUSH);
                memory.Clear();
                memory.DrawBitmap(*background, 0, 0, false);
                path->Draw(memory, mapping);
                if (banding)
                    DrawBand(memory, band);  // so that the band does not flicker over the picture
                dc.Blit(part.x, part.y, part.width, part.height, &memory, part.x, part.y, wxCOPY, false);
            }
        }
        memory.SelectObject(wxNullBitmap);
    }
    // Where the band reaches past the picture, over the canvas's own background.
    if (banding && !picture.Contains(band)) {
        wxRegion outside(wxRect(logical).Intersect(wxRect(band).Inflate(BandPenWidth)));
        outside.Subtract(picture);
        for (wxRegionIterator it(outside); it; ++it) {
            dc.SetClippingRegion(it.GetRect());
            DrawBand(dc, band);
            dc.DestroyClippingRegion();
        }
    }
}

bool CanvasPainter::DamagedRect(const BoundingBox& box, wxRect& rect) const
{
    const PixelMapping mapping = EditorDocument::Instance()->mapping;
    int left, top, right, bottom;
    if (!mapping.WorldToPixel(box.minX, box.maxY, left, top) || !mapping.WorldToPixel(box.maxX, box.minY, right, bottom))
        return false;
    rect = wxRect(wxPoint(left, top), wxPoint(right, bottom)).Inflate(DrawingMargin);
    return true;
}

void CanvasPainter::RefreshLogical(const wxRect& logical)
{
    canvas->RefreshRect(wxRect(canvas->CalcScrolledPosition(logical.GetTopLeft()), logical.GetSize()));
}

void CanvasPainter::Redraw()
{
    if (!canvas)
        return;
    EditorDocument* doc = EditorDocument::Instance();
    TrackPath* path = doc->GetTrackPath();
    path->SettleEdges();
    const TrackPath::Damage damage = path->TakeDamage();
    const wxBitmap* picture = doc->background;
    const bool samePicture = picture && shownPicture.IsOk() && shownPicture.IsSameAs(*picture);
    bool everything = damage.everything || path != shownPath || !samePicture;
    std::vector<wxRect> rects;
    for (const BoundingBox& box : damage.boxes) {
        if (everything)
            break;
        wxRect rect;
        everything = !DamagedRect(box, rect);
        rects.push_back(rect);
    }
    if (everything) {
        shownPath = path;
        shownPicture = picture ? *picture : wxNullBitmap;
        canvas->Refresh();
        return;
    }
    for (const wxRect& rect : rects)
        RefreshLogical(rect);
}

void CanvasPainter::RefreshBand(const wxRect& band)
{
    if (!canvas)
        return;
    // Only the outline is drawn: its four sides, as wide as its pen, and a pixel for rounding.
    const int d = BandPenWidth + 1;
    const wxRect outline = wxRect(band).Inflate(d);
    RefreshLogical(wxRect(outline.x, outline.y, outline.width, 2 * d));
    RefreshLogical(wxRect(outline.x, outline.GetBottom() + 1 - 2 * d, outline.width, 2 * d));
    RefreshLogical(wxRect(outline.x, outline.y, 2 * d, outline.height));
    RefreshLogical(wxRect(outline.GetRight() + 1 - 2 * d, outline.y, 2 * d, outline.height));
}
