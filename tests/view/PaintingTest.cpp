// What the painter puts on the canvas, in pixels: off-screen through a memory DC,
// and on the screen right after a redraw.
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

}  // namespace
