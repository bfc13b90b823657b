#include "view/CanvasPainter.h"

#include <algorithm>

#include <wx/dcmemory.h>
#include <wx/region.h>
#include <wx/scrolwin.h>

#include "editor/EditorDocument.h"
#include "model/TrackPath.h"
#include "view/CanvasHandler.h"
#include "view/DcLogicalArea.h"

namespace {

constexpr int BandPenWidth = 2;

void DrawBand(wxDC& dc, const wxRect& band, const wxColour& colour)
{
    dc.SetBrush(wxBrush(wxColour(0, 0, 0), wxBRUSHSTYLE_TRANSPARENT));
    dc.SetPen(wxPen(colour, BandPenWidth, wxPENSTYLE_SOLID));
    dc.DrawRectangle(band);
}

}  // namespace

void CanvasPainter::Paint(wxDC& dc)
{
    Redraw();  // what changed unannounced must not be taken from the scene kept
    PaintArea(dc, DcLogicalArea(dc));
}

void CanvasPainter::Paint(wxDC& dc, const wxRegion& area)
{
    if (canvas && canvas->GetClientSize() != shownSize) {
        shownSize = canvas->GetClientSize();
        scene.clear();
    }
    Redraw();
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
    const bool banding = handler && handler->GetBand(band);

    const wxRect area = wxRect(logical).Intersect(picture);
    if (!area.IsEmpty()) {
        doc->SettleMove();  // the drawing finds the points through the index
        TrackPath* path = doc->GetTrackPath();
        const PixelMapping mapping = doc->Mapping();
        if (!tile.IsOk())
            tile = wxBitmap(TileSize, TileSize, -1);
        // Whole tiles of a fixed grid, always: Cairo's anti-aliasing of a line
        // depends a little on the bounds of the surface it is drawn on and on
        // the other lines of its stroke, and a tile drawn with the same lines
        // comes out the same in every repaint.
        for (int ty = area.y / TileSize; ty * TileSize <= area.GetBottom(); ++ty) {
            for (int tx = area.x / TileSize; tx * TileSize <= area.GetRight(); ++tx) {
                const wxBitmap& beneath = SceneTile(tx, ty);
                wxMemoryDC memory(tile);
                memory.SetDeviceOrigin(-tx * TileSize, -ty * TileSize);
                memory.DrawBitmap(beneath, tx * TileSize, ty * TileSize, false);
                path->DrawHighlights(memory, mapping);
                if (banding)
                    DrawBand(memory, band, handler->bandColour);  // so that the band does not flicker over the picture
                const wxRect part = wxRect(tx * TileSize, ty * TileSize, TileSize, TileSize).Intersect(area);
                dc.Blit(part.x, part.y, part.width, part.height, &memory, part.x, part.y, wxCOPY, false);
            }
        }
    }
    // Where the band reaches past the picture, over the canvas's own background.
    if (banding && !picture.Contains(band)) {
        wxRegion outside(wxRect(logical).Intersect(wxRect(band).Inflate(BandPenWidth)));
        outside.Subtract(picture);
        for (wxRegionIterator it(outside); it; ++it) {
            dc.SetClippingRegion(it.GetRect());
            DrawBand(dc, band, handler->bandColour);
            dc.DestroyClippingRegion();
        }
    }
}

const wxBitmap& CanvasPainter::SceneTile(int tx, int ty)
{
    wxBitmap& kept = scene[std::uint64_t(std::uint32_t(ty)) << 32 | std::uint32_t(tx)];
    if (kept.IsOk())
        return kept;
    EditorDocument* doc = EditorDocument::Instance();
    kept = wxBitmap(TileSize, TileSize, -1);
    wxMemoryDC memory(kept);
    memory.SetDeviceOrigin(-tx * TileSize, -ty * TileSize);
    // A new bitmap holds whatever memory held; the picture's partly
    // transparent pixels must not show it.
    memory.SetBackground(*wxBLACK_BRUSH);
    memory.Clear();
    memory.DrawBitmap(*doc->background, 0, 0, false);
    doc->GetTrackPath()->DrawBeneathHighlights(memory, doc->Mapping());
    return kept;
}

wxRect CanvasPainter::ForgetScene(const wxRect& logical)
{
    const int x0 = std::max(logical.x, 0) / TileSize, y0 = std::max(logical.y, 0) / TileSize;
    int x1 = x0 - 1, y1 = y0 - 1;
    for (int ty = y0; ty * TileSize <= logical.GetBottom(); y1 = ty++)
        for (int tx = x0; tx * TileSize <= logical.GetRight(); x1 = tx++)
            scene.erase(std::uint64_t(std::uint32_t(ty)) << 32 | std::uint32_t(tx));
    return wxRect(x0 * TileSize, y0 * TileSize, (x1 - x0 + 1) * TileSize, (y1 - y0 + 1) * TileSize);
}

bool CanvasPainter::DamagedRect(const BoundingBox& box, int margin, wxRect& rect) const
{
    const PixelMapping mapping = EditorDocument::Instance()->mapping;
    int left, top, right, bottom;
    if (!mapping.WorldToPixel(box.minX, box.maxY, left, top) || !mapping.WorldToPixel(box.maxX, box.minY, right, bottom))
        return false;
    rect = wxRect(wxPoint(left, top), wxPoint(right, bottom)).Inflate(margin);
    return true;
}

void CanvasPainter::RefreshLogical(const wxRect& logical)
{
    if (canvas)
        canvas->RefreshRect(wxRect(canvas->CalcScrolledPosition(logical.GetTopLeft()), logical.GetSize()));
}

void CanvasPainter::Redraw()
{
    EditorDocument* doc = EditorDocument::Instance();
    TrackPath* path = doc->GetTrackPath();
    path->SettleEdges();
    const TrackPath::Damage damage = path->TakeDamage();
    const wxBitmap* picture = doc->background;
    const bool samePicture = picture && shownPicture.IsOk() && shownPicture.IsSameAs(*picture);
    bool everything = damage.everything || wholeView || !samePicture || scene.size() > MostSceneTiles;
    // The path's own changes, drawn in the scene, and the highlight's, over it.
    std::vector<wxRect> inScene, over;
    const struct {
        const std::vector<BoundingBox>& boxes;
        int margin;
        std::vector<wxRect>& rects;
    } kinds[] = {{damage.lines, LineMargin, inScene}, {damage.marks, RingMargin, inScene},
                 {damage.highlights, RingMargin, over}};
    for (const auto& kind : kinds) {
        for (const BoundingBox& box : kind.boxes) {
            wxRect rect;
            everything = everything || !DamagedRect(box, kind.margin, rect);
            kind.rects.push_back(rect);
        }
    }
    if (everything) {
        wholeView = false;
        shownPicture = picture ? *picture : wxNullBitmap;
        scene.clear();
        if (canvas)
            canvas->Refresh();
        return;
    }
    // A tile drawn again may differ a little all over from what it was, as
    // anti-aliasing hangs on everything stroked in it: it is shown whole.
    for (const wxRect& rect : inScene)
        RefreshLogical(ForgetScene(rect));
    for (const wxRect& rect : over)
        RefreshLogical(rect);
}

void CanvasPainter::RedrawAll()
{
    wholeView = true;
    Redraw();
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
