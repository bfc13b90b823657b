#pragma once

#include <vector>

#include <wx/gdicmn.h>

class PixelMapping;
class TrackPath;
class wxColour;
class wxDC;

// What one tile of the canvas shows of the path, as plain data: passes of one
// colour and pen width each, in drawing order, with their shapes in logical
// (picture) pixels. Collected on the GUI thread; drawn there through a DC, or
// on any thread straight into a tile's pixels with Cairo.
class TileDrawing {
public:
    enum Shape { Lines, Squares, Circles, Frame };
    struct Pass {
        unsigned char red, green, blue;
        int width;  // of the pen, in logical pixels
        Shape shape;
        int radius;  // of squares and circles
        // Lines: runs of joined points, one after another; squares and
        // circles: their centres; a frame: its top-left corner and its size.
        std::vector<wxPoint> points;
        std::vector<int> runs;  // lines: how many points each run has
    };
    // All the path draws beneath the highlight rings, or those rings alone.
    enum Layer { Beneath, Highlights };

    // What the path draws over the area (a tile), from what the index finds
    // near it. A stroke is collected whole when it may touch the area, so that
    // a tile comes out the same whatever else changed beyond it.
    void Collect(TrackPath& path, const PixelMapping& mapping, const wxRect& area, Layer layer);
    // The rubber band's outline, as a rectangle is drawn with a pen of width 2.
    void AddFrame(const wxRect& frame, const wxColour& colour);
    // Item by item with the DC's own calls: where a DC has no Cairo beneath it.
    void Draw(wxDC& dc) const;
    bool Empty() const { return passes.empty(); }

    std::vector<Pass> passes;
};
