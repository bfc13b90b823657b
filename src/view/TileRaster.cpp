#include "view/TileRaster.h"

#include <algorithm>
#include <cmath>

#include <wx/bitmap.h>
#include <wx/dc.h>

#if VSE_CAIRO_TILES
#include <cairo.h>
#include <wx/graphics.h>
#endif

#include "view/LineCoverage.h"
#include "view/TileDrawing.h"

void TileRaster::SetPicture(const wxBitmap& picture)
{
    const wxImage image = picture.ConvertToImage();
    width = image.IsOk() ? image.GetWidth() : 0;
    height = image.IsOk() ? image.GetHeight() : 0;
    pixels.assign(std::size_t(width) * height, 0);
    if (pixels.empty())
        return;
    const unsigned char* rgb = image.GetData();
    const unsigned char* alpha = image.HasAlpha() ? image.GetAlpha() : nullptr;
    for (std::size_t i = 0; i < pixels.size(); ++i, rgb += 3) {
        const unsigned a = alpha ? alpha[i] : 255;
        auto over = [a](unsigned c) { return (c * a + 127) / 255; };
        pixels[i] = over(rgb[0]) << 16 | over(rgb[1]) << 8 | over(rgb[2]);
    }
}

void TileRaster::FillPicture(std::uint32_t* out, int size, const wxRect& tile, double scale) const
{
    // The device pixel's centre, back in picture pixels.
    auto source = [scale](int logical, int i) { return int(std::floor((std::lround(logical * scale) + i + 0.5) / scale)); };
    std::vector<int> columns(size);
    for (int i = 0; i < size; ++i)
        columns[i] = source(tile.x, i);
    for (int j = 0; j < size; ++j, out += size) {
        const int y = source(tile.y, j);
        const std::uint32_t* row = y >= 0 && y < height ? &pixels[std::size_t(y) * width] : nullptr;
        for (int i = 0; i < size; ++i)
            out[i] = row && columns[i] >= 0 && columns[i] < width ? row[columns[i]] : 0;
    }
}

wxImage TileRaster::PictureImage(int size, const wxRect& tile, double scale) const
{
    std::vector<std::uint32_t> block(std::size_t(size) * size);
    FillPicture(block.data(), size, tile, scale);
    wxImage image(size, size, false);
    unsigned char* rgb = image.GetData();
    for (const std::uint32_t p : block) {
        *rgb++ = p >> 16 & 0xff;
        *rgb++ = p >> 8 & 0xff;
        *rgb++ = p & 0xff;
    }
    return image;
}

#if VSE_CAIRO_TILES

namespace {

cairo_surface_t* Surface(const std::uint32_t* pixels, int width, int height)
{
    // Cairo only reads a surface used as a source.
    return cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(pixels)),
                                               CAIRO_FORMAT_RGB24, width, height, width * 4);
}

cairo_t* DcContext(wxDC& dc)
{
    wxGraphicsContext* gc = dc.GetGraphicsContext();
    return gc ? static_cast<cairo_t*>(gc->GetNativeContext()) : nullptr;
}

}  // namespace

void TileRaster::Stroke(std::uint32_t* pixels, int size, const wxRect& tile, double scale, const TileDrawing& drawing)
{
    // Cairo only for what is not thin lines or markers; made on first need.
    cairo_surface_t* surface = nullptr;
    cairo_t* cr = nullptr;
    LineCoverage lines(size);
    std::vector<double> run;
    for (const TileDrawing::Pass& pass : drawing.passes) {
        // An odd pen is centred on the pixel, as the toolkit strokes it, so a
        // 1-pixel line covers its logical pixel's device pixels at any scale.
        const double o = pass.width % 2 ? 0.5 : 0.0, half = pass.width / 2.0;
        const int r = pass.radius;
        const std::vector<wxPoint>& p = pass.points;
        const std::uint32_t colour = std::uint32_t(pass.red) << 16 | pass.green << 8 | pass.blue;
        if (surface && (pass.shape == TileDrawing::Squares || (pass.shape == TileDrawing::Lines && pass.width == 1)))
            cairo_surface_flush(surface);
        if (pass.shape == TileDrawing::Lines && pass.width == 1) {
            for (std::size_t i = 0, at = 0; i < pass.runs.size(); at += pass.runs[i++]) {
                run.clear();
                for (int k = 0; k < pass.runs[i]; ++k) {
                    run.push_back((p[at + k].x + o - tile.x) * scale);
                    run.push_back((p[at + k].y + o - tile.y) * scale);
                }
                lines.AddRun(run.data(), pass.runs[i], scale);
            }
            lines.Blend(pixels, colour);
            if (surface)
                cairo_surface_mark_dirty(surface);
            continue;
        }
        if (pass.shape == TileDrawing::Squares) {
            // The outline of a square on whole pixels with an even pen covers
            // whole pixels: filled straight, at a fraction of a stroke's cost.
            auto fill = [&](double x0, double y0, double x1, double y1) {
                const int i0 = std::max(0L, std::lround((x0 - tile.x) * scale)), i1 = std::min(long(size), std::lround((x1 - tile.x) * scale));
                const int j0 = std::max(0L, std::lround((y0 - tile.y) * scale)), j1 = std::min(long(size), std::lround((y1 - tile.y) * scale));
                for (int j = j0; j < j1; ++j)
                    std::fill(pixels + std::size_t(j) * size + i0, pixels + std::size_t(j) * size + std::max(i0, i1), colour);
            };
            for (const wxPoint& c : p) {
                const double left = c.x - r + o, top = c.y - r + o, right = left + 2 * r - 1, bottom = top + 2 * r - 1;
                fill(left - half, top - half, right + half, top + half);
                fill(left - half, bottom - half, right + half, bottom + half);
                fill(left - half, top + half, left + half, bottom - half);
                fill(right - half, top + half, right + half, bottom - half);
            }
            if (surface)
                cairo_surface_mark_dirty(surface);
            continue;
        }
        if (!cr) {
            surface = Surface(pixels, size, size);
            cr = cairo_create(surface);
            cairo_scale(cr, scale, scale);
            cairo_translate(cr, -tile.x, -tile.y);
        }
        cairo_set_source_rgb(cr, pass.red / 255.0, pass.green / 255.0, pass.blue / 255.0);
        cairo_set_line_width(cr, pass.width);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        switch (pass.shape) {
        case TileDrawing::Lines:
            for (std::size_t i = 0, at = 0; i < pass.runs.size(); at += pass.runs[i++]) {
                cairo_move_to(cr, p[at].x + o, p[at].y + o);
                for (int k = 1; k < pass.runs[i]; ++k)
                    cairo_line_to(cr, p[at + k].x + o, p[at + k].y + o);
            }
            break;
        case TileDrawing::Circles:
            for (const wxPoint& c : p) {
                cairo_new_sub_path(cr);
                cairo_arc(cr, c.x + o, c.y + o, r, 0, 2 * M_PI);
            }
            break;
        case TileDrawing::Frame:
            if (p[1].x && p[1].y)
                cairo_rectangle(cr, p[0].x + o, p[0].y + o, p[1].x - 1, p[1].y - 1);
            break;
        case TileDrawing::Squares:
            break;
        }
        cairo_stroke(cr);
    }
    if (cr) {
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
    }
}

void TileRaster::Show(wxDC& dc, const std::uint32_t* pixels, int size, const wxRect& tile, double scale,
                      const wxRect& part)
{
    cairo_t* cr = DcContext(dc);
    if (!cr)
        return;
    cairo_surface_t* surface = Surface(pixels, size, size);
    cairo_surface_set_device_scale(surface, scale, scale);
    cairo_save(cr);
    cairo_set_source_surface(cr, surface, tile.x, tile.y);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_rectangle(cr, part.x, part.y, part.width, part.height);
    cairo_fill(cr);
    cairo_restore(cr);
    cairo_surface_destroy(surface);
}

void TileRaster::ShowPicture(wxDC& dc, const std::vector<wxRect>& parts) const
{
    cairo_t* cr = DcContext(dc);
    if (!cr || parts.empty() || pixels.empty())
        return;
    cairo_surface_t* surface = Surface(pixels.data(), width, height);
    cairo_save(cr);
    cairo_set_source_surface(cr, surface, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    for (const wxRect& part : parts)
        cairo_rectangle(cr, part.x, part.y, part.width, part.height);
    cairo_fill(cr);
    cairo_restore(cr);
    cairo_surface_destroy(surface);
}

#endif
