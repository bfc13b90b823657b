#pragma once

#include <wx/bitmap.h>
#include <wx/gdicmn.h>

#include "model/SingleInstance.h"

class BoundingBox;
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
    // Beyond the positions and edge points it joins, how far a path's drawing
    // reaches, in pixels: the highlight ring's radius and half its pen, a pixel
    // of anti-aliasing and one of rounding.
    static constexpr int DrawingMargin = 13;

    // The canvas painted, handed over by the window that holds it.
    void SetCanvas(wxScrolledWindow* canvas) { this->canvas = canvas; }

    // Draws the scene over the logical area of a DC prepared for the canvas's
    // scroll position, composed off-screen and copied in one blit.
    void Paint(wxDC& dc);
    // The same over each rectangle of an area in logical pixels: what the
    // paint handler is asked to paint.
    void Paint(wxDC& dc, const wxRegion& area);
    // Asks for what changed since the last call to be painted again: the
    // drawing of the points that changed, or everything when the path or the
    // picture is another one.
    void Redraw();
    // Asks for the outline of a rubber band (in logical pixels) to be painted
    // again: where it is drawn now, or where it was.
    void RefreshBand(const wxRect& band);

private:
    void PaintArea(wxDC& dc, const wxRect& area);
    // The pixels over which a box of the path's damage is drawn; false when it cannot be placed.
    bool DamagedRect(const BoundingBox& box, wxRect& rect) const;
    void RefreshLogical(const wxRect& logical);

    // The scene is composed tile by tile, on a grid of this many pixels.
    static constexpr int TileSize = 256;
    wxBitmap tile;

    wxScrolledWindow* canvas = nullptr;
    // What the canvas was last asked to show whole: damage is only told
    // about the path that is shown, over the picture that is shown.
    const TrackPath* shownPath = nullptr;
    wxBitmap shownPicture;
};
