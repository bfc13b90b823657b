// A whole editing run on the real window: files opened as the command line opens
// them, then real mouse and key input, then the saved file read back.
#include "support/GuiDriver.h"

TEST(EndToEnd, EditingRunSavesWhatWasDone)
{
    EditorDocument* doc = EditorDocument::Instance();
    PictureScope keep;
    gui::ResetDocument();
    // The picture of start-up, the size of the canvas: black in a green frame.
    const wxImage shown = gui::CanvasScreenshot();
    const wxSize size = doc->GetBackgroundBitmap()->GetSize();
    for (const auto& [x, y, frame] : {std::tuple{1, size.y / 2, true}, {size.x - 2, size.y - 60, true}, {size.x / 2, 0, true},
                                      {40, size.y - 2, true}, {size.x / 2, size.y / 2, false}, {10, 10, false}})
        EXPECT_TRUE(gui::Near(shown, x, y, frame ? wxColour(50, 255, 50) : *wxBLACK, 0)) << x << "," << y;

    // A 256 x 256 picture: one world unit per pixel, world (x, y) at pixel (x + 128, 128 - y).
    const std::string tga = WriteFile("terrain.tga", Tga(2, 256, 256, 24, std::string(256 * 256 * 3, 'P')));
    const std::string track = WriteFile("start.txt", "2\n-78.0,78.0,4.0,0\n22.0,78.0,6.0,1\n");  // A (50, 50), B (150, 50)
    for (const std::string& arg : {tga, track})
        FileCommands::Instance()->OpenByExtension(arg.c_str());
    EXPECT_TRUE(doc->undoList.empty());  // the path replaced an empty one

    gui::ClickAt(150, 150);  // C (22, -22), w 6 from B
    gui::ClickAt(50, 250);   // D (-78, -122), selected alone
    gui::Key('w');
    gui::Key('w');           // D w 7
    // Beside the diagonal C-D: the new point lands on the foot of the
    // perpendicular, (-23, -67), with the mean width 6.5.
    gui::ClickAt(106, 196);
    EXPECT_EQ(gui::StatusText(), "Point:   -23.00, -67.00 (w =    6.50)");

    gui::DragFromTo(150, 50, 180, 40);  // B to (52, 88)
    gui::DragFromTo(90, 130, 170, 270);  // band around C and E only
    gui::Key('n');
    gui::Key(WXK_TAB);  // Straight, Jump, Curve
    gui::Key('s');      // C 5.5, E 6
    gui::ClickAt(50, 250);
    gui::Key('d');      // D gone: A B C E
    gui::ClickAt(150, 150);
    gui::Key('f');      // C E A B
    gui::Key('r');      // C B A E: the start stays

    gui::Key('z', wxMOD_CONTROL);
    gui::Key('z', wxMOD_CONTROL);
    EXPECT_EQ(doc->GetTrackPath()->Count(), 4u);  // D is deleted before set-start
    gui::Key('y', wxMOD_CONTROL);
    gui::Key('y', wxMOD_CONTROL);
    EXPECT_EQ(gui::StatusText(), "Redid:  reverse-direction");
    EXPECT_EQ(CheckPathInvariants(*doc->GetTrackPath()), "");

    gui::Key('s', wxMOD_CONTROL);
    EXPECT_EQ(Title(), "VORN Spline Editor (start.txt)");
    EXPECT_EQ(ReadFile(track), "4\n"
                               "22.000000,-22.000000,5.500000,2\n"
                               "52.000000,88.000000,6.000000,1\n"
                               "-78.000000,78.000000,4.000000,0\n"
                               "-23.000000,-67.000000,6.000000,2\n");

    gui::ResetDocument();
}
