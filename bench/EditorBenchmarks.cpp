#include <algorithm>
#include <cmath>
#include <iterator>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/bitmap.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/image.h>
#include <wx/imagtga.h>

#include "BenchFiles.h"
#include "app/MainWindow.h"
#include "app/TrackCanvas.h"
#include "editor/EditorDocument.h"
#include "editor/HistoryRecord.h"
#include "io/BmpReader.h"
#include "io/TgaReader.h"
#include "model/TrackPath.h"
#include "model/TrackPoint.h"
#include "model/TrackSegment.h"
#include "view/CanvasHandler.h"
#include "view/CanvasPainter.h"
#include "view/InputFlags.h"
#include "model/PixelMapping.h"

namespace {

// A path built as a loaded path is, installed as the document's path.
TrackPath* InstallPath(int n)
{
    auto* path = new TrackPath(PathFile(n).c_str());
    EditorDocument::Instance()->SetTrackPath(path, true);
    return path;
}

void UsePicture(int w, int h)
{
    auto* picture = new wxBitmap(w, h, -1);
    {
        wxMemoryDC dc(*picture);
        dc.SetBackground(wxBrush(wxColour(30, 90, 40)));
        dc.Clear();
    }
    EditorDocument::Instance()->SetBackgroundBitmap(picture);
    MainWindow::Instance()->canvas->SetScrollbars(1, 1, w, h, 0, 0);
}

std::vector<wxPoint> Probes(int count)
{
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> coord(0, 599);
    std::vector<wxPoint> probes;
    for (int i = 0; i < count; ++i)
        probes.emplace_back(coord(rng), coord(rng));
    return probes;
}

void BM_OctreeQuery(benchmark::State& state)
{
    UsePicture(600, 600);
    TrackPath* path = InstallPath(int(state.range(0)));
    const auto probes = Probes(256);
    std::size_t i = 0, found = 0;
    for (auto _ : state) {
        const wxPoint p = probes[i++ % probes.size()];
        std::vector<TrackPoint*> points;
        std::vector<TrackSegment*> segments;
        const PixelMapping mapping = EditorDocument::Instance()->Mapping();
        path->FindPointsAt(mapping, p.x, p.y, points);
        path->FindSegmentsAt(mapping, p.x, p.y, segments);
        found += points.size() + segments.size();
    }
    benchmark::DoNotOptimize(found);
}

// The same queries as a scan over every object, with the same box and tests.
void LinearQuery(benchmark::State& state, bool withSegments)
{
    UsePicture(600, 600);
    TrackPath* path = InstallPath(int(state.range(0)));
    std::vector<TrackPoint*> all(path->points.begin(), path->points.end());
    const auto probes = Probes(256);
    std::size_t i = 0, found = 0;
    for (auto _ : state) {
        const wxPoint p = probes[i++ % probes.size()];
        float x0, y0, x1, y1;
        EditorDocument::Instance()->Mapping().PixelSquareToWorldBox(p.x, p.y, 10, x0, y0, x1, y1);
        const BoundingBox pointBox(x0, y0, 0, x1, y1, 0), segmentBox(x0, y0, 1, x1, y1, 1);
        for (TrackPoint* q : all) {
            found += q->bounds.Overlaps(pointBox);
            if (withSegments && q->nextSegment)
                found += q->nextSegment->bounds.Overlaps(segmentBox);
        }
    }
    benchmark::DoNotOptimize(found);
}

void BM_LinearQuery(benchmark::State& state) { LinearQuery(state, true); }
void BM_LinearPointQuery(benchmark::State& state) { LinearQuery(state, false); }

void BM_HoverHitTest(benchmark::State& state)
{
    UsePicture(600, 600);
    TrackPath* path = InstallPath(int(state.range(0)));
    const auto probes = Probes(256);
    std::size_t i = 0;
    for (auto _ : state) {
        const wxPoint p = probes[i++ % probes.size()];
        std::vector<TrackPoint*> points;
        path->FindPointsAt(EditorDocument::Instance()->Mapping(), p.x, p.y, points);
        benchmark::DoNotOptimize(points.data());
    }
}

void BM_UpdatePointPosition(benchmark::State& state)
{
    TrackPath* path = InstallPath(int(state.range(0)));
    std::vector<TrackPoint*> all(path->points.begin(), path->points.end());
    std::size_t i = 0;
    for (auto _ : state) {
        TrackPoint* p = all[(i++ * 7919) % all.size()];
        p->x = -p->x;
        path->UpdatePointPosition(p);
    }
}

// What a mouse move over the canvas costs: the hit test, the highlight and the
// repaint through the paint cycle, on a path that does not change meanwhile.
void BM_Repaint(benchmark::State& state)
{
    UsePicture(2048, 2048);
    InstallPath(int(state.range(0)));
    TrackCanvas* canvas = MainWindow::Instance()->canvas;
    CanvasHandler* handler = MainWindow::Instance()->canvasHandler;
    const wxSize size = canvas->GetClientSize();
    std::mt19937 rng(1);
    std::vector<wxPoint> moves;
    for (int i = 0; i < 256; ++i)
        moves.emplace_back(std::uniform_int_distribution<int>(0, size.x - 1)(rng),
                           std::uniform_int_distribution<int>(0, size.y - 1)(rng));
    CanvasPainter::Instance()->Redraw();
    canvas->Update();
    std::size_t i = 0;
    for (auto _ : state) {
        const wxPoint at = moves[i++ % moves.size()];
        handler->HandleMouse(at.x, at.y, at.x, at.y, InputFlags::Motion);
        canvas->Update();
    }
    handler->ResetHover(-1, -1);
}

// The point half way along a path of n points, selected alone, in the middle of the view.
TrackPoint* ShowMiddlePoint(int n)
{
    UsePicture(2048, 2048);
    TrackPath* path = InstallPath(n);
    TrackCanvas* canvas = MainWindow::Instance()->canvas;
    EditorDocument* doc = EditorDocument::Instance();
    TrackPoint* middle = *std::next(path->points.begin(), path->Count() / 2);
    int px, py;
    doc->mapping.WorldToPixel(middle->x, middle->y, px, py);
    const wxSize view = canvas->GetClientSize();
    canvas->Scroll(std::max(px - view.x / 2, 0), std::max(py - view.y / 2, 0));
    doc->UnselectAll();
    doc->Select(middle);
    CanvasPainter::Instance()->Redraw();
    canvas->Update();
    return middle;
}

// A drag step that moves one point of the path, in view, to and fro: an edit
// without its snapshot, from the document's command to the end of the paint.
void BM_EditRepaint(benchmark::State& state)
{
    ShowMiddlePoint(int(state.range(0)));
    TrackCanvas* canvas = MainWindow::Instance()->canvas;
    EditorDocument* doc = EditorDocument::Instance();
    doc->StartMove(100, 100);
    int step = 0;
    for (auto _ : state) {
        doc->DragMove(100 + (++step & 1), 100);
        canvas->Update();
    }
    doc->FinishMove(100, 100);
    doc->UnselectAll();
    canvas->Scroll(0, 0);
}

// The undo of a drag step of that point, and its redo in turn: the swap of the
// paths and the paint.
void BM_UndoRepaint(benchmark::State& state)
{
    ShowMiddlePoint(int(state.range(0)));
    TrackCanvas* canvas = MainWindow::Instance()->canvas;
    EditorDocument* doc = EditorDocument::Instance();
    doc->StartMove(100, 100);
    doc->DragMove(101, 100);
    doc->FinishMove(101, 100);
    CanvasPainter::Instance()->Redraw();
    canvas->Update();
    int step = 0;
    for (auto _ : state) {
        ++step & 1 ? doc->Undo() : doc->Redo();
        CanvasPainter::Instance()->Redraw();
        canvas->Update();
    }
    doc->UnselectAll();
    canvas->Scroll(0, 0);
}

// A repaint of everything in view from the picture and the path alone, nothing
// kept: what a new picture, an undo or opening a path cost.
void BM_FullRepaint(benchmark::State& state)
{
    UsePicture(2048, 2048);
    InstallPath(int(state.range(0)));
    TrackCanvas* canvas = MainWindow::Instance()->canvas;
    for (auto _ : state) {
        CanvasPainter::Instance()->RedrawAll();
        canvas->Update();
    }
}

void BM_BareBlit(benchmark::State& state)
{
    UsePicture(2048, 2048);
    TrackCanvas* canvas = MainWindow::Instance()->canvas;
    wxMemoryDC source(*EditorDocument::Instance()->GetBackgroundBitmap());
    const wxSize size = canvas->GetClientSize();
    for (auto _ : state) {
        wxClientDC dc(canvas);
        canvas->PrepareDC(dc);
        dc.Blit(0, 0, size.x, size.y, &source, 0, 0, wxCOPY, false);
    }
}

// A full history first, so that every timed command drops the oldest
// snapshot, as it does in a long session; dropping it is not timed.
void BM_Snapshot(benchmark::State& state)
{
    InstallPath(int(state.range(0)));
    EditorDocument* doc = EditorDocument::Instance();
    for (int i = 0; i < doc->historyLimit; ++i)
        doc->RecordCommand("move");
    for (auto _ : state) {
        state.PauseTiming();
        delete doc->undoList.back();
        doc->undoList.pop_back();
        state.ResumeTiming();
        doc->RecordCommand("move");
    }
}

// Moving the bytes that the path's points and segments take up: what a
// snapshot would cost if copying were all it did.
void BM_SnapshotBytes(benchmark::State& state)
{
    TrackPath* path = InstallPath(int(state.range(0)));
    const std::size_t bytes = path->Count() * (sizeof(TrackPoint) + sizeof(TrackSegment));
    std::vector<char> from(bytes, 1), to(bytes, 0);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}

struct PlainPoint {
    float x, y, w;
    int type;
};

void BM_DeleteAll(benchmark::State& state)
{
    EditorDocument* doc = EditorDocument::Instance();
    for (auto _ : state) {
        state.PauseTiming();
        TrackPath* path = InstallPath(int(state.range(0)));
        for (TrackPoint* p : path->points)
            doc->Select(p);
        state.ResumeTiming();
        doc->DeleteSelected();
    }
}

void BM_LoadPath1M(benchmark::State& state)
{
    const std::string name = PathFile(1000000);
    for (auto _ : state) {
        auto* path = new TrackPath(name.c_str());
        benchmark::DoNotOptimize(path->points.size());
        state.PauseTiming();  // freeing the path is not part of loading it
        delete path;
        state.ResumeTiming();
    }
}

void BM_BareFscanf1M(benchmark::State& state)
{
    const std::string name = PathFile(1000000);
    for (auto _ : state) {
        std::FILE* f = std::fopen(name.c_str(), "r");
        int n = 0, type;
        float x, y, w;
        std::fscanf(f, "%d", &n);
        std::vector<PlainPoint> points;
        while (std::fscanf(f, "%f,%f,%f,%d", &x, &y, &w, &type) == 4)
            points.push_back({x, y, w, type});
        std::fclose(f);
        benchmark::DoNotOptimize(points.data());
    }
}

void BM_SavePath1M(benchmark::State& state)
{
    TrackPath path(PathFile(1000000).c_str());
    const std::string out = TempFile("saved.txt");
    for (auto _ : state)
        path.Save(out.c_str());
}

void BM_BareFprintf1M(benchmark::State& state)
{
    TrackPath path(PathFile(1000000).c_str());
    const std::string out = TempFile("plain.txt");
    for (auto _ : state) {
        std::FILE* f = std::fopen(out.c_str(), "w");
        std::fprintf(f, "%d\n", int(path.points.size()));
        for (const TrackPoint* p : path.points)
            std::fprintf(f, "%.6f,%.6f,%.6f,%d\n", double(p->x), double(p->y), double(p->w), p->type);
        std::fflush(f);
        ::fsync(::fileno(f));
        std::fclose(f);
    }
}

std::string TgaFile()
{
    const std::string name = TempFile("big.tga");
    if (std::FILE* probe = std::fopen(name.c_str(), "r")) {
        std::fclose(probe);
        return name;
    }
    const int size = 4096;
    unsigned char header[18] = {0, 0, 2};
    header[12] = size & 0xff;
    header[13] = size >> 8;
    header[14] = size & 0xff;
    header[15] = size >> 8;
    header[16] = 24;
    std::FILE* f = std::fopen(name.c_str(), "wb");
    std::fwrite(header, 1, sizeof header, f);
    std::vector<unsigned char> row(size * 3);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size * 3; ++x)
            row[x] = static_cast<unsigned char>(x * 7 + y);
        std::fwrite(row.data(), 1, row.size(), f);
    }
    std::fclose(f);
    return name;
}

// The same picture as a 24-bit BMP with a 40-byte header (rows of 4096 pixels need no padding).
std::string BmpFile()
{
    const std::string name = TempFile("big.bmp");
    if (std::FILE* probe = std::fopen(name.c_str(), "r")) {
        std::fclose(probe);
        return name;
    }
    const std::uint32_t size = 4096;
    const std::uint32_t header[] = {0, 0, 54, 40, size, size, 1 | 24 << 16, 0, size * size * 3, 0, 0, 0, 0};
    std::FILE* in = std::fopen(TgaFile().c_str(), "rb");
    std::FILE* out = std::fopen(name.c_str(), "wb");
    std::fwrite("BM", 1, 2, out);
    std::fwrite(header, 4, 13, out);  // little-endian, as this machine is
    std::vector<unsigned char> row(size * 3);
    std::fseek(in, 18, SEEK_SET);
    while (std::fread(row.data(), 1, row.size(), in) == row.size())
        std::fwrite(row.data(), 1, row.size(), out);
    std::fclose(in);
    std::fclose(out);
    return name;
}

// Each format's reader (0 TGA, 1 BMP) on the same picture, and the toolkit's decoder to a bitmap, as the
// readers deliver.
void BM_Read4096(benchmark::State& state)
{
    const std::string name = state.range(0) ? BmpFile() : TgaFile();
    for (auto _ : state)
        delete (state.range(0) ? ReadBmp(name.c_str()) : ReadTga(name.c_str()));
}

void BM_WxImage4096(benchmark::State& state)
{
    if (!wxImage::FindHandler(wxBITMAP_TYPE_TGA))
        wxImage::AddHandler(new wxTGAHandler());
    const std::string name = state.range(0) ? BmpFile() : TgaFile();
    for (auto _ : state) {
        wxImage image(name, state.range(0) ? wxBITMAP_TYPE_BMP : wxBITMAP_TYPE_TGA);
        wxBitmap bitmap(image);
        benchmark::DoNotOptimize(bitmap.IsOk());
    }
}

// A bare fread of the TGA file (0) or the BMP file (1).
void BM_BareFread4096(benchmark::State& state)
{
    const std::string name = state.range(0) ? BmpFile() : TgaFile();
    std::vector<unsigned char> buffer(54 + 4096 * 4096 * 3);
    for (auto _ : state) {
        std::FILE* f = std::fopen(name.c_str(), "rb");
        benchmark::DoNotOptimize(std::fread(buffer.data(), 1, buffer.size(), f));
        std::fclose(f);
    }
}

// From starting a process to the first paint of its window: the editor against
// a bare frame with one child window, both started from this same executable.
void BM_Startup(benchmark::State& state)
{
    char self[] = "/proc/self/exe", flag[] = "--startup-child", app[] = "app", bare[] = "bare";
    char* argv[] = {self, flag, state.range(0) ? app : bare, nullptr};
    for (auto _ : state) {
        pid_t child = 0;
        int status = 0;
        if (::posix_spawn(&child, self, nullptr, nullptr, argv, environ) != 0 ||
            ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the start-up child failed");
            break;
        }
    }
}

}  // namespace

BENCHMARK(BM_Startup)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OctreeQuery)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(BM_LinearQuery)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(BM_HoverHitTest)->Arg(100000);
BENCHMARK(BM_LinearPointQuery)->Arg(100000);
BENCHMARK(BM_UpdatePointPosition)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(BM_Repaint)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditRepaint)->Arg(1000)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoRepaint)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullRepaint)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareBlit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Snapshot)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SnapshotBytes)->Arg(100000);
BENCHMARK(BM_DeleteAll)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LoadPath1M)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_BareFscanf1M)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SavePath1M)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_BareFprintf1M)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Read4096)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_WxImage4096)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_BareFread4096)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);
