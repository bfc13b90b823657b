#pragma once

#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include <wx/bitmap.h>
#include <wx/gdicmn.h>

#include "model/SingleInstance.h"
#include "view/TileRaster.h"

struct BoundingBox;
class CanvasHandler;
class TrackPath;
class wxDC;
class wxRegion;
class wxScrolledWindow;

// Puts the document on the canvas: the picture, the path over it, the rubber
// band. Changes reach the screen through the toolkit's paint cycle: Redraw
// asks for the area whose drawing changed to be painted again, and the paint
// handler composes that area afresh.
class CanvasPainter : public SingleInstance<CanvasPainter> {
public:
    // Beyond the positions and edge points it joins, how far a path's lines,
    // start bar and markers reach, in pixels: half the widest pen (the start
    // bar's) or the marker's half size and its pen, a pixel of anti-aliasing and
    // one of rounding; and how far a point's rings reach beyond its position.
    static constexpr int LineMargin = 5;
    static constexpr int RingMargin = 13;

    // The canvas painted and the handler whose rubber band is shown on it,
    // handed over by the window that holds both (the painter is made first),
    // and taken back, as null, before they go.
    void SetCanvas(wxScrolledWindow* canvas, const CanvasHandler* handler)
    {
        this->canvas = canvas;
        this->handler = handler;
    }

    // Draws the scene over the logical area of a DC prepared for the canvas's
    // scroll position, composed off-screen and copied in one blit.
    void Paint(wxDC& dc);
    // The same over each rectangle of an area in logical pixels: what the
    // paint handler is asked to paint.
    void Paint(wxDC& dc, const wxRegion& area);
    // Asks for what changed since the last call to be painted again: the
    // drawing of the points that changed, or everything when the picture is
    // another one.
    void Redraw();
    // Asks for the whole canvas to be painted again from the picture and the
    // path alone, nothing kept from earlier paints.
    void RedrawAll();
    // Asks for the outline of a rubber band (in logical pixels) to be painted
    // again: where it is drawn now, or where it was.
    void RefreshBand(const wxRect& band);

    // Whether scene tiles are drawn with Cairo straight into memory, several
    // at once on the machine's cores; otherwise through the toolkit's DCs,
    // item by item, on this thread (as where there is no Cairo: Windows).
    void UseCairo(bool use);

private:
    void PaintArea(wxDC& dc, const wxRect& area);
    // The pixels over which a box of the path's damage is drawn; false when it cannot be placed.
    bool DamagedRect(const BoundingBox& box, int margin, wxRect& rect) const;
    void RefreshLogical(const wxRect& logical);

    // The scene is composed tile by tile, on a grid of this many logical
    // pixels, each tile at the canvas's device pixels.
    static constexpr int TileSize = 32;
    // Beyond this many bytes of kept tiles, they are all let go.
    static constexpr std::size_t MostSceneBytes = std::size_t(64) << 20;
    // A tile's picture with the path beneath the highlight rings, as last
    // drawn; made again where the path's drawing changed. Neither pixels nor a
    // bitmap: the tile shows the picture alone.
    struct SceneTile {
        std::vector<std::uint32_t> pixels;
        wxBitmap bitmap;
    };
    // Makes the kept tiles of these (tile column, row) pairs that are missing.
    void MakeScene(const std::vector<wxPoint>& tiles);
    // Shows the part (logical pixels) of a tile: its kept scene with the
    // highlight rings and the band over it.
    void ShowTile(wxDC& dc, const wxPoint& t, const wxRect& part, const wxRect* band, std::vector<wxRect>& pictureOnly);
    // Lets go of the tiles that meet the area; the area they covered.
    wxRect ForgetScene(const wxRect& logical);
    void ClearScene();
    static std::uint64_t Key(int tx, int ty) { return std::uint64_t(std::uint32_t(ty)) << 32 | std::uint32_t(tx); }
    static wxRect TileArea(const wxPoint& t) { return wxRect(t.x * TileSize, t.y * TileSize, TileSize, TileSize); }
    // Device pixels per logical pixel of the tiles, and a tile's side in them.
    double scale = 1.0;
    int DeviceSize() const { return int(std::lround(TileSize * scale)); }
    std::unordered_map<std::uint64_t, SceneTile> scene;
    std::size_t sceneBytes = 0;
    TileRaster raster;
    bool cairo = VSE_CAIRO_TILES;
    // Where a tile is composed with the highlight rings and the band over it.
    wxBitmap composed;
    std::vector<std::uint32_t> composedPixels;

    wxScrolledWindow* canvas = nullptr;
    const CanvasHandler* handler = nullptr;
    // Set when the whole view is to be painted afresh. A path that takes the
    // place of the shown one carries its damage against it: a new path all of
    // it, one swapped in by an undo what differs (TrackPath::SwappedInFor).
    bool wholeView = true;
    // What the canvas was last asked to show whole: damage is only told about
    // the picture that is shown.
    wxBitmap shownPicture;
    // The canvas's size at the last paint: a resize paints everything afresh,
    // as does a change of scale.
    wxSize shownSize;
};
