// What the painter puts on the canvas, checked in pixels: off-screen through a
// memory DC, and on the screen right after a redraw.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/filefn.h>
#include <wx/image.h>
#include <wx/uiaction.h>

#include "editor/EditorDocument.h"
#include "model/TrackPath.h"
#include "model/TrackPoint.h"
#include "support/GuiDriver.h"
#include "view/CanvasPainter.h"
#include "model/PixelMapping.h"

namespace {

EditorDocument* Doc() { return EditorDocument::Instance(); }

const wxColour Black(0, 0, 0), White(255, 255, 255), Green(50, 255, 50), Blue(50, 50, 255),
    Red(255, 50, 50), Yellow(255, 255, 50), Cyan(50, 255, 255), Band(205, 0, 0);

TrackPoint* AddAt(int px, int py, float w)
{
    float x = 0, y = 0;
    EXPECT_TRUE(Doc()->Mapping().PixelToWorld(px, py, x, y));
    auto* p = new TrackPoint(x, y, w, 0);
    EXPECT_TRUE(Doc()->GetTrackPath()->InsertPoint(p, nullptr));
    return p;
}

wxImage PaintOffScreen()
{
    const wxBitmap* picture = Doc()->GetBackgroundBitmap();
    wxBitmap target(picture->GetWidth(), picture->GetHeight(), -1);
    {
        wxMemoryDC dc(target);
        CanvasPainter::Instance()->Paint(dc);
    }
    return target.ConvertToImage();
}

wxImage PaintOnScreen()
{
    CanvasPainter::Instance()->Redraw();
    return gui::CanvasScreenshot();
}

// Lines may be anti-aliased: some pixel within r of (x, y) must carry the colour.
bool Near(const wxImage& image, int x, int y, const wxColour& c, int r = 1)
{
    for (int j = y - r; j <= y + r; ++j)
        for (int i = x - r; i <= x + r; ++i)
            if (std::abs(image.GetRed(i, j) - c.Red()) < 40 && std::abs(image.GetGreen(i, j) - c.Green()) < 40 &&
                std::abs(image.GetBlue(i, j) - c.Blue()) < 40)
                return true;
    return false;
}

// A at (100, 150) to B at (250, 150), half-width 20 pixels: travel is to the
// right, so the left border lies above the centre line and the right one below.
void MakeTwoPointPath()
{
    gui::ResetDocument();
    AddAt(100, 150, 20 * Doc()->mapping.scaleY);
    AddAt(250, 150, 20 * Doc()->mapping.scaleY);
}

void ExpectTwoPointPath(const wxImage& image)
{
    EXPECT_TRUE(Near(image, 100, 138, Green));  // the start bar across the track at A
    EXPECT_TRUE(Near(image, 100, 162, Green));
    EXPECT_TRUE(Near(image, 175, 150, White, 0));
    EXPECT_TRUE(Near(image, 175, 130, Blue));
    EXPECT_TRUE(Near(image, 175, 170, Red));
    EXPECT_FALSE(Near(image, 175, 130, Red, 3));
    EXPECT_FALSE(Near(image, 175, 170, Blue, 3));
    EXPECT_TRUE(Near(image, 175, 140, Black, 0));
    EXPECT_FALSE(Near(image, 175, 150, Green, 5));  // the bar stays at the start
    EXPECT_TRUE(Near(image, 247, 147, Blue, 0));    // B's hollow Straight marker
    EXPECT_TRUE(Near(image, 249, 148, Black, 0));
}

TEST(Painting, TwoPointPathOffScreenAndOnScreen)
{
    MakeTwoPointPath();
    {
        SCOPED_TRACE("memory DC");
        ExpectTwoPointPath(PaintOffScreen());
    }
    {
        SCOPED_TRACE("screen");
        ExpectTwoPointPath(PaintOnScreen());
    }
    const std::string shot = (wxGetCwd() + "/view-two-point-path.png").utf8_string();
    gui::SaveFrameScreenshot(shot);
    std::cout << "screenshot: " << shot << "\n";
}

TEST(Painting, DefaultPictureIsBlackWithAGreenFrame)
{
    gui::ResetDocument();
    const wxImage image = PaintOnScreen();
    const int w = Doc()->GetBackgroundBitmap()->GetWidth(), h = Doc()->GetBackgroundBitmap()->GetHeight();
    EXPECT_TRUE(Near(image, 1, h / 2, Green, 0));
    EXPECT_TRUE(Near(image, w / 2, 1, Green, 0));
    EXPECT_TRUE(Near(image, w - 2, h / 2, Green, 0));
    EXPECT_TRUE(Near(image, w / 2, h - 2, Green, 0));
    EXPECT_TRUE(Near(image, w / 2, h / 2, Black, 0));
    EXPECT_TRUE(Near(image, 10, 10, Black, 0));
}

TEST(Painting, MarkerColourFollowsTheTypeOnly)
{
    const struct { int type; wxColour colour; } cases[] = {{0, Blue}, {1, Green}, {2, Red}, {7, Black}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        MakeTwoPointPath();
        Doc()->GetTrackPath()->points.back()->type = c.type;
        for (const wxImage& image : {PaintOffScreen(), PaintOnScreen()}) {
            EXPECT_TRUE(Near(image, 247, 147, c.colour, 0));
            EXPECT_TRUE(Near(image, 175, 150, White, 0));
            EXPECT_TRUE(Near(image, 175, 130, Blue));
        }
    }
}

TEST(Painting, SelectedAndHighlightedRings)
{
    const struct { int flags; bool yellow, cyan; } cases[] = {
        {0, false, false}, {TrackPoint::Selected, true, false},
        {TrackPoint::Highlighted, false, true}, {TrackPoint::Selected | TrackPoint::Highlighted, true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags);
        MakeTwoPointPath();
        Doc()->GetTrackPath()->points.back()->flags |= c.flags;
        for (const wxImage& image : {PaintOffScreen(), PaintOnScreen()}) {
            // B at (250, 150): the yellow ring has radius 8, the cyan one radius 10.
            EXPECT_EQ(Near(image, 250, 142, Yellow, 0) && Near(image, 258, 150, Yellow, 0), c.yellow);
            EXPECT_EQ(Near(image, 250, 140, Cyan, 0) && Near(image, 240, 150, Cyan, 0), c.cyan);
        }
    }
}

TEST(Painting, RubberBandShowsWhileDraggedOnly)
{
    gui::ResetDocument();
    gui::MoveTo(60, 60);
    gui::Press(wxMOUSE_BTN_LEFT);
    for (int i = 1; i <= 4; ++i)
        gui::MoveTo(60 + 25 * i, 60 + 20 * i);
    wxImage image = gui::CanvasScreenshot();
    EXPECT_TRUE(Near(image, 110, 60, Band));
    EXPECT_TRUE(Near(image, 160, 100, Band));
    EXPECT_TRUE(Near(image, 110, 100, Black, 0));  // outline only
    gui::Release(wxMOUSE_BTN_LEFT);
    image = gui::CanvasScreenshot();
    EXPECT_FALSE(Near(image, 110, 60, Band, 2));
    EXPECT_FALSE(Near(image, 160, 100, Band, 2));
}

}  // namespace
