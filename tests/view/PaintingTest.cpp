// What the painter puts on the canvas, in pixels: off-screen through a memory DC,
// and on the screen right after a redraw.
#include <functional>

#include <wx/dcmemory.h>

#include "support/GuiDriver.h"
#include "view/CanvasPainter.h"

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

// A window of the picture, as the canvas shows it when scrolled there.
wxImage PaintedWindow(const wxRect& window)
{
    wxBitmap target(window.width, window.height, -1);
    {
        wxMemoryDC dc(target);
        dc.SetDeviceOrigin(-window.x, -window.y);
        CanvasPainter::Instance()->Paint(dc);
    }
    return target.ConvertToImage();
}

// A serpentine of 252 points, types in turn, so that every pass runs long enough to be
// drawn in several batches; every line and marker must show in any window, also
// after points were changed behind the painter's back.
TEST(Painting, LongPathShowsEveryPartInEveryWindowAfterEdits)
{
    const std::function<void()> noEdit = [] {};
    const struct {
        std::function<void()> edit;
        int dy, halfWidth;  // in pixels, after the edit
    } cases[] = {
        {noEdit, 0, 5},
        {[] { Doc()->AdjustWidth(3 * Doc()->mapping.scaleY); }, 0, 8},
        {[] { Doc()->StartMove(0, 0), Doc()->DragMove(0, 6); }, 6, 5},
    };
    PictureScope picture(520, 460);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.halfWidth + c.dy);
        gui::ResetDocument();
        std::vector<wxPoint> at;
        for (int i = 0; i < 252; ++i) {
            const int row = i / 21, k = row % 2 ? 20 - i % 21 : i % 21;
            at.push_back({20 + 24 * k, 30 + 35 * row});
            AddAt(at.back().x, at.back().y, 5 * Doc()->mapping.scaleY, true)->type = i % 3;
        }
        PaintedWindow(wxRect(0, 0, 520, 460));
        c.edit();  // painted while the points are still selected, as during a drag
        for (const wxRect window : {wxRect(0, 0, 520, 460), wxRect(130, 90, 170, 150)}) {
            const wxImage image = PaintedWindow(window);
            const wxColour markers[3] = {Blue, Green, Red};
            auto near = [&](wxPoint p, const wxColour& colour, int r) {
                p -= window.GetTopLeft() - wxPoint(0, c.dy);
                return !wxRect(4, 4, window.width - 8, window.height - 8).Contains(p) || Near(image, p.x, p.y, colour, r);
            };
            for (int i = 0; i < 252; ++i) {
                EXPECT_TRUE(near(at[i] - wxPoint(3, 3), markers[i % 3], 0)) << "marker " << i;
                if (i % 21 == 0 || i % 21 >= 19)
                    continue;  // the borders turn at the ends of a row
                const wxPoint mid = (at[i] + at[i + 1]) / 2, side(0, i / 21 % 2 ? c.halfWidth : -c.halfWidth);
                EXPECT_TRUE(near(mid, White, 0) && near(mid + side, Blue, 1) && near(mid - side, Red, 1)) << "after " << i;
            }
        }
    }
}

}  // namespace
