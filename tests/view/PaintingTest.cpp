// What the painter puts on the canvas, in pixels: off-screen through a memory DC,
// and on the screen right after a redraw.
#include "support/GuiDriver.h"
#include "view/LineCoverage.h"

namespace {

using gui::Near;
const wxColour Black(0, 0, 0), White(255, 255, 255), Green(50, 255, 50), Blue(50, 50, 255), Red(255, 50, 50),
    Yellow(255, 255, 50), Cyan(50, 255, 255);

// A window of the picture, as the canvas shows it when scrolled there.
wxImage PaintedWindow(const wxRect& window)
{
    wxBitmap target(window.width, window.height, -1);
    wxMemoryDC dc(target);
    dc.SetDeviceOrigin(-window.x, -window.y);
    CanvasPainter::Instance()->Paint(dc);
    dc.SelectObject(wxNullBitmap);
    return target.ConvertToImage();
}

// A serpentine of 294 selected points, types 0, 1, 2 and 7 in turn, one highlighted,
// so that every pass runs long enough to be drawn in several batches; every part
// must show in any window, also after points were changed behind the painter's back.
TEST(Painting, LongPathShowsEveryPartInEveryWindowAfterEdits)
{
    const struct { void (*edit)(); int dy, halfWidth; } cases[] = {  // dy and half-width in pixels, after the edit
        {[] {}, 0, 5}, {[] { Doc()->AdjustWidth(3 * Doc()->mapping.scaleY); }, 0, 8},
        {[] { Doc()->StartMove(0, 0), Doc()->DragMove(0, 6); }, 6, 5},
    };
    const wxColour markers[4] = {Blue, Green, Red, Black};  // no marker for type 7
    PictureScope picture(520, 520);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.halfWidth + c.dy);
        gui::ResetDocument();
        std::vector<wxPoint> at;
        for (int i = 0; i < 294; ++i) {
            const int row = i / 21, k = row % 2 ? 20 - i % 21 : i % 21;
            at.push_back({20 + 24 * k, 30 + 35 * row});
            AddAt(at.back().x, at.back().y, 5 * Doc()->mapping.scaleY, true)->type = i % 4 == 3 ? 7 : i % 4;
        }
        Chain()[100]->flags |= TrackPoint::Highlighted;
        PaintedWindow(wxRect(0, 0, 520, 520));
        c.edit();  // painted while the points are still selected, as during a drag
        for (const wxRect window : {wxRect(0, 0, 520, 520), wxRect(130, 90, 170, 150)}) {
            const wxImage image = PaintedWindow(window);
            auto near = [&](wxPoint p, const wxColour& colour, int r) {
                p -= window.GetTopLeft() - wxPoint(0, c.dy);
                return !wxRect(4, 4, window.width - 8, window.height - 8).Contains(p) || Near(image, p.x, p.y, colour, r);
            };
            EXPECT_TRUE(near(at[0] + wxPoint(0, 4), Green, 0) && near(at[100] - wxPoint(10, 0), Cyan, 0));  // start, highlight
            for (int i = 0; i < 294; ++i) {
                EXPECT_TRUE(near(at[i] - wxPoint(3, 3), markers[i % 4], 0) && near(at[i] + wxPoint(8, 0), Yellow, 0)) << i;
                if (i % 21 == 0 || i % 21 >= 19)
                    continue;  // the borders turn at the ends of a row
                const wxPoint mid = (at[i] + at[i + 1]) / 2, side(0, i / 21 % 2 ? c.halfWidth : -c.halfWidth);
                EXPECT_TRUE(near(mid, White, 0) && near(mid + side, Blue, 1) && near(mid - side, Red, 1)) << "after " << i;
            }
        }
    }
    // A wide point out of view, whose right border alone reaches into it, is drawn all the same.
    gui::ResetDocument();
    AddAt(300, 57, 60 * Doc()->mapping.scaleY), AddAt(300, 158, 60 * Doc()->mapping.scaleY);
    EXPECT_TRUE(Near(PaintedWindow(wxRect(150, 60, 100, 90)), 90, 45, Red, 1));
}

// What the callers of commands that do not repaint by themselves do after them.
void Repaint() { CanvasPainter::Instance()->Redraw(); }

// Only what changed is painted again: after each change, once the repaint it
// asked for is done, and again after the next mouse move, the canvas must show
// what a repaint from scratch shows. A dense tangle over a textured picture
// shares each tile of the painter among many lines, a few wide segments cross
// many tiles: a tile drawn again must match also where the change did not reach.
TEST(Painting, AfterEachChangeAndTheNextMoveTheCanvasShowsWhatARepaintFromScratchShows)
{
    wxImage texture(800, 700);
    for (int y = 0; y < 700; ++y)
        for (int x = 0; x < 800; ++x)
            texture.SetRGB(x, y, x % 256, y % 256, (x * y) % 251);
    PictureScope scope(800, 700);
    Doc()->SetBackgroundBitmap(new wxBitmap(texture));
    TrackCanvas* canvas = MainWindow::Instance()->canvas;
    CanvasHandler* handler = MainWindow::Instance()->canvasHandler;
    const struct {
        void (*change)();
        bool announced;  // else only the next paint finds what changed
    } changes[] = {
        {[] {}, true},
        {[] { Path()->Reshape(Points{Path()->points.front()}, [] { Path()->points.front()->y += 9; }); }, false},
        {[] { Doc()->StartMove(0, 0), Doc()->DragMove(12, 7); }, true},
        {[] { Doc()->StartMove(0, 0), Doc()->DragMove(5, -3), Doc()->FinishMove(5, -3); }, true},
        {[] { Doc()->AdjustWidth(2); }, true},
        {[] { MainWindow::Instance()->SetPointType(2), Repaint(); }, true},
        {[] { Doc()->UnselectAll(), Repaint(); }, true},
        {[] { Doc()->DeleteSelected(); }, true},
        {[] { Doc()->SetStartToSelection(); }, true},
        {[] { Doc()->CreatePointAt(240, 200); }, true},
        {[] { Doc()->Undo(), Repaint(); }, true},
        {[] { Doc()->SetTrackPath(new TrackPath(), true), Repaint(); }, true},
        {[] { MainWindow::Instance()->canvas->Scroll(200, 0); }, true},
        {[] { wxImage grey(800, 700); grey.Clear(90), Doc()->SetBackgroundBitmap(new wxBitmap(grey)), Repaint(); }, true},
    };
    // Undone and done again, each change paints again only (p)art of the view,
    // where the drawing differs, but for a new direction or a new path, which
    // change more than a few points along the chain: the (w)hole view. A new
    // start may turn the chain by two points or by half, as the selected point
    // first in memory decides.
    const char wholeOnUndo[] = "pppppppp?pwwpp";
    static_assert(sizeof wholeOnUndo == std::size(changes) + 1);
    static wxRegion painted;
    const auto notePaint = [](wxPaintEvent& e) { painted.Union(MainWindow::Instance()->canvas->GetUpdateRegion()), e.Skip(); };
    canvas->Bind(wxEVT_PAINT, notePaint);
    for (std::size_t i = 0; i < std::size(changes); ++i) {
        SCOPED_TRACE(testing::Message() << "change " << i);
        gui::ResetDocument();
        std::mt19937 rng(7);
        std::uniform_int_distribution<int> step(-18, 18);
        wxPoint at(240, 200);
        for (int k = 0; k < 300; ++k) {
            at.x = std::clamp(at.x + step(rng), 140, 340), at.y = std::clamp(at.y + step(rng), 100, 300);
            AddAt(at.x, at.y, 4 * Doc()->mapping.scaleY, k == 150);
        }
        for (int k = 0; k < 4; ++k)
            AddAt(400 + 100 * k, 80 + 30 * (k % 2), 8, k == 2);
        Doc()->ReversePath();  // painted, and there to undo
        handler->HandleMouse(500, 110, 500, 110, InputFlags::Motion);  // a ring
        Doc()->RecordCommand("unknown");
        gui::ShowsItAll();
        changes[i].change();
        if (changes[i].announced) {
            EXPECT_TRUE(gui::ShowsItAll()) << "once the repaint asked for is done";
        }
        handler->ResetHover(-1, -1);
        const wxPoint logical = canvas->ToLogical(wxPoint(360, 110));
        handler->HandleMouse(360, 110, logical.x, logical.y, InputFlags::Motion);
        EXPECT_TRUE(gui::ShowsItAll()) << "after the next move";
        for (int step : {ID_UNDO, ID_REDO}) {
            painted.Clear(), gui::Command(step), canvas->Update();
            const bool whole = painted.Contains(wxRect(canvas->GetClientSize())) == wxInRegion;
            EXPECT_TRUE(wholeOnUndo[i] == '?' || whole == (wholeOnUndo[i] == 'w')) << (whole ? "whole" : "part");
            EXPECT_TRUE(gui::ShowsItAll()) << (step == ID_UNDO ? "after undo" : "after redo");
        }
    }
    canvas->Unbind(wxEVT_PAINT, notePaint);
}

// The drawing's colours, pen widths and sizes, in the screen's pixels: a
// straight path of a point of each type, the first selected and the second
// highlighted, scanned across each part. A logical pixel is scale x scale
// device pixels, and a pen keeps its logical width. The tiles drawn item by
// item through a DC (as where there is no Cairo) show the same.
TEST(Painting, ColoursWidthsAndSizesAreTheDrawingsInEveryWayOfDrawing)
{
    PictureScope scope(256, 256);  // a world unit a pixel
    gui::ResetDocument();
    AddAt(40, 60, 20, true), AddAt(120, 60, 20)->type = 1, AddAt(200, 60, 20)->type = 2;
    Doc()->Highlight(Chain()[1]);
    const struct {
        const char* part;
        bool across;  // scans the row at `line`, else the column
        int line, from, to;
        wxColour colour;
        int first, last, count;  // logical pixels of the colour found
    } rows[] = {
        {"centre line", false, 80, 40, 80, White, 60, 60, 1},
        {"left border", false, 80, 30, 58, Blue, 40, 40, 1},
        {"right border", false, 80, 62, 90, Red, 80, 80, 1},
        {"start bar", true, 45, 30, 50, Green, 38, 42, 5},
        // A 6 x 6 outline at (x - 3, y - 3) with a pen of 2: 7 pixels across.
        {"Straight marker", true, 57, 30, 50, Blue, 36, 42, 7},
        {"Straight marker's right side", false, 41, 50, 70, Blue, 56, 62, 7},
        {"Jump marker", true, 57, 110, 130, Green, 116, 122, 7},
        {"Curve marker", true, 57, 190, 210, Red, 196, 202, 7},
        // Through the centre: two pixels of pen on each side of a diameter.
        {"selection ring", true, 60, 25, 55, Yellow, 31, 48, 4},
        {"highlight ring", true, 60, 100, 140, Cyan, 109, 130, 4},
    };
    const int scale = int(MainWindow::Instance()->canvas->GetContentScaleFactor());
    for (const bool cairo : {true, false}) {
        if (!cairo && scale != 1)
            continue;  // at other scales the toolkit places its pens its own way
        SCOPED_TRACE(cairo ? "Cairo tiles" : "tiles through a DC");
        CanvasPainter::Instance()->UseCairo(cairo);
        const wxImage shot = gui::CanvasScreenshot();
        for (const auto& row : rows) {
            int first = -1, last = -1, count = 0;
            for (int d = row.from * scale; d < (row.to + 1) * scale; ++d) {
                const int x = row.across ? d : row.line * scale, y = row.across ? row.line * scale : d;
                if (gui::Near(shot, x, y, row.colour, 0))
                    first = first < 0 ? d : first, last = d, ++count;
            }
            EXPECT_EQ(first, row.first * scale) << row.part;
            EXPECT_EQ(last, row.last * scale + scale - 1) << row.part;
            EXPECT_EQ(count, row.count * scale) << row.part;
        }
        // Drawn at the screen's resolution, not doubled: along the curves of the
        // rings many blocks of scale x scale device pixels are not of one colour.
        int blocks = 0, uniform = 0;
        for (int y = 49 * scale; scale > 1 && y <= 71 * scale; y += scale)
            for (int x = 20 * scale; x <= 131 * scale; x += scale) {
                const wxImage block = shot.GetSubImage(wxRect(x, y, scale, scale));
                const unsigned char *p = block.GetData(), *end = p + 3 * scale * scale;
                const bool drawn = std::any_of(p, end, [](unsigned char v) { return v != 0; });
                blocks += drawn, uniform += drawn && std::equal(p, end - 3, p + 3);  // every pixel as the next
            }
        EXPECT_TRUE(scale == 1 || uniform < blocks * 9 / 10) << "of " << blocks << " blocks drawn, " << uniform << " uniform";
    }
    CanvasPainter::Instance()->UseCairo(true);
}

// A thin line is laid down by the area it covers: each column that a line one
// pixel wide crosses holds 1 / cos of its angle of it, at any slope.
TEST(Painting, AThinLineCoversItsAreaAtAnySlope)
{
    for (const double slope : {0.0, 0.25, 0.7, -0.7}) {
        LineCoverage lines(32);
        const double y = slope < 0 ? 30 : 2, run[] = {-4, y, 36, y + 40 * slope};
        lines.AddRun(run, 2, 1);
        std::vector<std::uint32_t> pixels(32 * 32, 0);
        lines.Blend(pixels.data(), 0xffffff);
        for (int x = 0; x < 32; ++x) {
            double covered = 0;
            for (int row = 0; row < 32; ++row)
                covered += (pixels[row * 32 + x] & 0xff) / 255.0;
            EXPECT_NEAR(covered, std::sqrt(1 + slope * slope), 0.02) << "slope " << slope << ", column " << x;
        }
    }
}

}  // namespace
