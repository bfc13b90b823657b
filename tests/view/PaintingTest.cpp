// What the painter puts on the canvas, in pixels: off-screen through a memory DC,
// and on the screen right after a redraw.
#include <algorithm>

#include <wx/dcclient.h>
#include <wx/dcmemory.h>

#include "support/GuiDriver.h"
#include "view/CanvasPainter.h"
#include "view/InputFlags.h"

namespace {

using gui::Near;
const wxColour Black(0, 0, 0), White(255, 255, 255), Green(50, 255, 50), Blue(50, 50, 255), Red(255, 50, 50),
    Yellow(255, 255, 50), Cyan(50, 255, 255);

// The scene both ways: into a bitmap of the picture's size, and as the screen shows it.
std::vector<wxImage> Paintings()
{
    const wxBitmap* picture = Doc()->GetBackgroundBitmap();
    wxBitmap target(picture->GetWidth(), picture->GetHeight(), -1);
    {
        wxMemoryDC dc(target);
        CanvasPainter::Instance()->Paint(dc);
    }
    CanvasPainter::Instance()->Redraw();
    return {target.ConvertToImage(), gui::CanvasScreenshot()};
}

TEST(Painting, TwoPointPathWithItsMarkersAndRings)
{
    const struct {
        int type, flags;
        wxColour marker;
        bool yellow, cyan;
    } cases[] = {
        {0, 0, Blue, false, false},
        {1, TrackPoint::Selected, Green, true, false},
        {2, TrackPoint::Highlighted, Red, false, true},
        {7, TrackPoint::Selected | TrackPoint::Highlighted, Black, true, true},  // no marker for type 7
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        // A at (100, 150) to B at (250, 150), half-width 20 pixels: travel is to the right,
        // so the left (blue) border lies above the centre line and the right (red) one below.
        gui::ResetDocument();
        AddAt(100, 150, 20 * Doc()->mapping.scaleY);
        TrackPoint* b = AddAt(250, 150, 20 * Doc()->mapping.scaleY);
        b->type = c.type;
        b->flags |= c.flags;
        for (const wxImage& image : Paintings()) {
            EXPECT_TRUE(Near(image, 100, 138, Green) && Near(image, 100, 162, Green));  // the start bar at A
            EXPECT_FALSE(Near(image, 175, 150, Green, 5));
            EXPECT_TRUE(Near(image, 175, 150, White, 0));
            EXPECT_TRUE(Near(image, 175, 130, Blue) && !Near(image, 175, 130, Red, 3));
            EXPECT_TRUE(Near(image, 175, 170, Red) && !Near(image, 175, 170, Blue, 3));
            EXPECT_TRUE(Near(image, 175, 140, Black, 0));
            EXPECT_TRUE(Near(image, 247, 147, c.marker, 0));  // B's hollow marker
            EXPECT_TRUE(Near(image, 249, 148, Black, 0));
            // The yellow ring has radius 8, the cyan one radius 10.
            EXPECT_EQ(Near(image, 250, 142, Yellow, 0) && Near(image, 258, 150, Yellow, 0), c.yellow);
            EXPECT_EQ(Near(image, 250, 140, Cyan, 0) && Near(image, 240, 150, Cyan, 0), c.cyan);
        }
    }
}

TEST(Painting, DefaultPictureIsBlackWithAGreenFrame)
{
    gui::ResetDocument();
    const wxImage image = Paintings()[1];
    const wxSize size = Doc()->GetBackgroundBitmap()->GetSize();
    for (const wxPoint at : {wxPoint(1, size.y / 2), wxPoint(size.x / 2, 1), wxPoint(size.x - 2, size.y / 2),
                             wxPoint(size.x / 2, size.y - 2)})
        EXPECT_TRUE(Near(image, at.x, at.y, Green, 0)) << at.x << "," << at.y;
    EXPECT_TRUE(Near(image, size.x / 2, size.y / 2, Black, 0) && Near(image, 10, 10, Black, 0));
}

// A mouse move repaints from the picture and path of the last paint when nothing
// but the highlight changed since: after any other change, even one that no
// repaint followed, it must show what a full repaint shows.
TEST(Painting, MouseMoveAfterAChangeShowsWhatAFullRepaintShows)
{
    PictureScope scope(800, 700);
    TrackCanvas* canvas = MainWindow::Instance()->canvas;
    CanvasHandler* handler = MainWindow::Instance()->canvasHandler;
    const struct {
        const char* name;
        void (*change)();
    } cases[] = {
        {"nothing", [] {}},
        {"moved and re-indexed",
         [] {
             Path()->points.front()->y += 9;
             Path()->UpdatePointPosition(Path()->points.front());
         }},
        {"dragged", [] { Doc()->StartMove(0, 0); Doc()->DragMove(12, 7); }},
        {"widened", [] { Doc()->AdjustWidth(2); }},
        {"type", [] { MainWindow::Instance()->SetPointType(2); }},
        {"unselected", [] { Doc()->UnselectAll(); }},
        {"deleted", [] { Doc()->DeleteSelected(); }},
        {"new start", [] { Doc()->SetStartToSelection(); }},
        {"undone", [] { Doc()->Undo(); }},
        {"new path", [] { Doc()->SetTrackPath(new TrackPath(), true); }},
        {"scrolled", [] { MainWindow::Instance()->canvas->Scroll(200, 0); }},
        {"picture",
         [] {
             wxImage grey(800, 700);
             grey.SetRGB(wxRect(0, 0, 800, 700), 90, 90, 90);
             Doc()->SetBackgroundBitmap(new wxBitmap(grey));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        gui::ResetDocument();
        for (int i = 0; i < 6; ++i)
            AddAt(60 + 100 * i, 80 + 30 * (i % 2), 8, i == 3);
        Doc()->ReversePath();  // painted, and there to undo
        handler->HandleMouse(160, 80, 160, 80, InputFlags::Motion);  // a ring
        Doc()->host = nullptr;  // the change alone, without the repaint the window makes
        c.change();
        Doc()->host = MainWindow::Instance();
        handler->ResetHover(-1, -1);
        {
            wxClientDC dc(canvas);  // what the window showed so far must not count
            dc.SetBackground(*wxRED_BRUSH);
            dc.Clear();
        }
        const wxPoint logical = canvas->ToLogical(wxPoint(360, 110));
        handler->HandleMouse(360, 110, logical.x, logical.y, InputFlags::Motion);
        const wxImage moved = gui::CanvasScreenshot();
        CanvasPainter::Instance()->Redraw();
        const wxImage full = gui::CanvasScreenshot();
        ASSERT_EQ(moved.GetSize(), full.GetSize());
        const int bytes = 3 * full.GetWidth() * full.GetHeight();
        EXPECT_TRUE(std::equal(moved.GetData(), moved.GetData() + bytes, full.GetData()));
    }
}

}  // namespace
