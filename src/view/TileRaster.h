#pragma once

#include <cstdint>
#include <vector>

#include <wx/gdicmn.h>
#include <wx/image.h>

class TileDrawing;
class wxBitmap;
class wxDC;

// Where the toolkit draws through Cairo (GTK 3), tiles are drawn with Cairo
// straight into plain memory, on any thread; elsewhere (Windows: GDI) through
// the toolkit's DCs on the GUI thread.
#ifdef __WXGTK3__
#define VSE_CAIRO_TILES 1
#else
#define VSE_CAIRO_TILES 0
#endif

// The picture as plain pixels, and tiles of it at a scale of device pixels per
// picture pixel: each device pixel shows the picture pixel under its centre
// (nearest neighbour, never smoothed). Pixels are 32-bit 0x00RRGGBB, as Cairo
// keeps them.
class TileRaster {
public:
    // Takes the picture's pixels, over black where it is not opaque.
    void SetPicture(const wxBitmap& picture);
    // The picture's pixels over a tile (in logical pixels) at the scale, into
    // size x size pixels; black beyond the picture.
    void FillPicture(std::uint32_t* out, int size, const wxRect& tile, double scale) const;
    // The same as an image, for a DC to draw.
    wxImage PictureImage(int size, const wxRect& tile, double scale) const;

#if VSE_CAIRO_TILES
    // Strokes the drawing over size x size pixels that show the tile at the
    // scale. Touches nothing but the pixels: safe on any thread.
    static void Stroke(std::uint32_t* pixels, int size, const wxRect& tile, double scale, const TileDrawing& drawing);
    // Shows the part (logical pixels) of a tile's pixels on a DC drawn through
    // Cairo, prepared for the canvas's scroll position: one device pixel each
    // where the DC has the scale.
    static void Show(wxDC& dc, const std::uint32_t* pixels, int size, const wxRect& tile, double scale, const wxRect& part);
    // Shows the picture itself over the parts, in one fill.
    void ShowPicture(wxDC& dc, const std::vector<wxRect>& parts) const;
#endif

    int width = 0, height = 0;

private:
    std::vector<std::uint32_t> pixels;
};
