#include "view/CanvasPainter.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>

#include <wx/dcmemory.h>
#include <wx/region.h>
#include <wx/scrolwin.h>

#include "editor/EditorDocument.h"
#include "model/TrackPath.h"
#include "view/CanvasHandler.h"
#include "view/DcLogicalArea.h"
#include "view/TileDrawing.h"
#include "view/ViewTransform.h"

namespace {

constexpr int BandPenWidth = 2;

void DrawBand(wxDC& dc, const wxRect& band, const wxColour& colour)
{
    dc.SetBrush(wxBrush(wxColour(0, 0, 0), wxBRUSHSTYLE_TRANSPARENT));
    dc.SetPen(wxPen(colour, BandPenWidth, wxPENSTYLE_SOLID));
    dc.DrawRectangle(band);
}

// Threads on the machine's other cores that run work(i) for each job i as
// soon as this thread has handed it over; this thread joins in once it has
// handed them all over.
template <typename Work>
class Helpers {
public:
    Helpers(std::size_t expected, Work& work) : work(work)
    {
        constexpr std::size_t LeastPerThread = 4;  // fewer are not worth a thread's start
        const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
        try {
            while (threads.size() + 1 < std::min(cores, expected / LeastPerThread))
                threads.emplace_back([this] { Run(); });
        } catch (const std::system_error&) {
            // No more threads to be had: this one does the rest.
        }
    }
    // The first n jobs may be taken.
    void Ready(std::size_t n) { ready = n; }
    // No more jobs: returns when all are done.
    void Finish()
    {
        handing = false;
        Run();
        for (std::thread& thread : threads)
            thread.join();
    }

private:
    void Run()
    {
        for (;;) {
            const bool last = !handing;  // then the jobs ready are all there are
            std::size_t i = next;
            if (i < ready) {
                if (next.compare_exchange_weak(i, i + 1))
                    work(i);
            } else if (last) {
                return;
            } else {
                std::this_thread::yield();
            }
        }
    }

    Work& work;
    std::vector<std::thread> threads;
    std::atomic<std::size_t> ready{0}, next{0};
    std::atomic<bool> handing{true};
};

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
        ClearScene();
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
        const double s = canvas ? canvas->GetDPIScaleFactor() : 1.0;
        if (s != scale) {
            scale = s;
            ClearScene();
        }
        // Whole tiles of a fixed grid, always: Cairo's anti-aliasing of a line
        // depends a little on the bounds of the surface it is drawn on and on
        // the other lines of its stroke, and a tile drawn with the same lines
        // comes out the same in every repaint.
        std::vector<wxPoint> tiles;
        for (int ty = area.y / TileSize; ty * TileSize <= area.GetBottom(); ++ty)
            for (int tx = area.x / TileSize; tx * TileSize <= area.GetRight(); ++tx)
                tiles.emplace_back(tx, ty);
        MakeScene(tiles);
        std::vector<wxRect> pictureOnly;
        for (const wxPoint& t : tiles)
            ShowTile(dc, t, TileArea(t).Intersect(area), banding ? &band : nullptr, pictureOnly);
#if VSE_CAIRO_TILES
        raster.ShowPicture(dc, pictureOnly);
#endif
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

void CanvasPainter::MakeScene(const std::vector<wxPoint>& tiles)
{
    EditorDocument* doc = EditorDocument::Instance();
    TrackPath* path = doc->GetTrackPath();
    const PixelMapping mapping = doc->Mapping();
    const int size = DeviceSize();
    const std::size_t bytes = 4 * std::size_t(size) * size;
    struct Job {
        std::uint64_t key;
        wxRect area;
        TileDrawing drawing;
        std::vector<std::uint32_t> pixels;
    };
    std::vector<Job> jobs;
    jobs.reserve(tiles.size());  // handed over while more are added: never moved
    // Only plain data and plain memory reach the other threads.
    auto draw = [&](std::size_t i) {
#if VSE_CAIRO_TILES
        Job& job = jobs[i];
        job.pixels.resize(std::size_t(size) * size);
        raster.FillPicture(job.pixels.data(), size, job.area, scale);
        TileRaster::Stroke(job.pixels.data(), size, job.area, scale, job.drawing);
#endif
    };
    Helpers<decltype(draw)> helpers(cairo ? tiles.size() : 0, draw);
    for (const wxPoint& t : tiles) {
        const std::uint64_t key = Key(t.x, t.y);
        if (scene.count(key))
            continue;
        Job job{key, TileArea(t), {}, {}};
        job.drawing.Collect(*path, mapping, job.area, TileDrawing::Beneath);
        SceneTile& kept = scene[key];
        if (cairo) {
            if (!job.drawing.Empty()) {
                jobs.push_back(std::move(job));  // else the picture alone, shown straight from it
                helpers.Ready(jobs.size());
            }
            continue;
        }
        kept.bitmap = wxBitmap(raster.PictureImage(size, job.area, scale));
        wxMemoryDC memory(kept.bitmap);
        memory.SetUserScale(scale, scale);
        memory.SetDeviceOrigin(-std::lround(job.area.x * scale), -std::lround(job.area.y * scale));
        job.drawing.Draw(memory);
        sceneBytes += bytes;
    }
    helpers.Finish();
    for (Job& job : jobs) {
        scene[job.key].pixels = std::move(job.pixels);
        sceneBytes += bytes;
    }
}

void CanvasPainter::ShowTile(wxDC& dc, const wxPoint& t, const wxRect& part, const wxRect* band,
                             std::vector<wxRect>& pictureOnly)
{
    EditorDocument* doc = EditorDocument::Instance();
    const wxRect area = TileArea(t);
    TileDrawing over;
    over.Collect(*doc->GetTrackPath(), doc->Mapping(), area, TileDrawing::Highlights);
    if (band && wxRect(*band).Inflate(BandPenWidth).Intersects(area))
        over.AddFrame(*band, handler->bandColour);  // in the tile, so that it does not flicker over the picture
    const SceneTile& kept = scene[Key(t.x, t.y)];
    const int size = DeviceSize();
    if (!cairo) {
        if (!composed.IsOk() || composed.GetWidth() != size)
            composed = wxBitmap(size, size, -1);
        wxMemoryDC memory(composed);
        memory.DrawBitmap(kept.bitmap, 0, 0, false);
        memory.SetUserScale(scale, scale);
        memory.SetDeviceOrigin(-std::lround(area.x * scale), -std::lround(area.y * scale));
        over.Draw(memory);
        dc.Blit(part.x, part.y, part.width, part.height, &memory, part.x, part.y, wxCOPY, false);
        return;
    }
#if VSE_CAIRO_TILES
    if (over.Empty() && kept.pixels.empty()) {
        pictureOnly.push_back(part);
        return;
    }
    const std::uint32_t* shown = kept.pixels.data();
    if (!over.Empty()) {
        composedPixels.resize(std::size_t(size) * size);
        if (kept.pixels.empty())
            raster.FillPicture(composedPixels.data(), size, area, scale);
        else
            std::copy(kept.pixels.begin(), kept.pixels.end(), composedPixels.begin());
        TileRaster::Stroke(composedPixels.data(), size, area, scale, over);
        shown = composedPixels.data();
    }
    TileRaster::Show(dc, shown, size, area, scale, part);
#else
    (void)pictureOnly;
#endif
}

wxRect CanvasPainter::ForgetScene(const wxRect& logical)
{
    const int x0 = std::max(logical.x, 0) / TileSize, y0 = std::max(logical.y, 0) / TileSize;
    int x1 = x0 - 1, y1 = y0 - 1;
    const std::size_t bytes = 4 * std::size_t(DeviceSize()) * DeviceSize();
    for (int ty = y0; ty * TileSize <= logical.GetBottom(); y1 = ty++) {
        for (int tx = x0; tx * TileSize <= logical.GetRight(); x1 = tx++) {
            const auto kept = scene.find(Key(tx, ty));
            if (kept == scene.end())
                continue;
            if (!kept->second.pixels.empty() || kept->second.bitmap.IsOk())
                sceneBytes -= bytes;
            scene.erase(kept);
        }
    }
    return wxRect(x0 * TileSize, y0 * TileSize, (x1 - x0 + 1) * TileSize, (y1 - y0 + 1) * TileSize);
}

void CanvasPainter::ClearScene()
{
    scene.clear();
    sceneBytes = 0;
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
    if (!canvas)
        return;
    // In the window's own units, which on Windows are the screen's pixels.
    const double u = WindowUnitsPerPixel(*canvas);
    const wxPoint from(int(std::floor(logical.x * u)), int(std::floor(logical.y * u)));
    const wxPoint to(int(std::ceil(logical.GetRight() * u + u)), int(std::ceil(logical.GetBottom() * u + u)));
    canvas->RefreshRect(wxRect(canvas->CalcScrolledPosition(from), wxSize(to.x - from.x, to.y - from.y)));
}

void CanvasPainter::Redraw()
{
    EditorDocument* doc = EditorDocument::Instance();
    TrackPath* path = doc->GetTrackPath();
    path->SettleEdges();
    const TrackPath::Damage damage = path->TakeDamage();
    const wxBitmap* picture = doc->background;
    const bool samePicture = picture && shownPicture.IsOk() && shownPicture.IsSameAs(*picture);
    bool everything = damage.everything || wholeView || !samePicture || sceneBytes > MostSceneBytes;
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
        if (picture && !samePicture)
            raster.SetPicture(*picture);
        shownPicture = picture ? *picture : wxNullBitmap;
        ClearScene();
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

void CanvasPainter::UseCairo(bool use)
{
    cairo = use && VSE_CAIRO_TILES;
    RedrawAll();
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
