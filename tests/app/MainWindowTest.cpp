// The main window as a desktop user meets it: layout, the picture of start-up, title,
// menus and their shortcuts wherever the focus is, file dialogs, dropped files and the
// rubber band.
// Real X input on the real window throughout.
#include "support/GuiDriver.h"

namespace {

MainWindow* Window() { return MainWindow::Instance(); }
TrackCanvas* Canvas() { return Window()->canvas; }

const char* const TwoPoints = "2\n1.0,2.0,3.0,0\n10.0,20.0,4.0,1\n";

// Each shortcut shows in its menu and runs its command once, with the focus on the
// canvas or elsewhere.
TEST(MainWindow, LayoutMenusAndShortcutsWhereverTheFocusIs)
{
    gui::ResetDocument();
    // The picture of start-up, the size of the canvas: black in a green frame.
    const wxImage shown = gui::CanvasScreenshot();
    const wxSize size = Doc()->GetBackgroundBitmap()->GetSize();
    for (const auto& [x, y, frame] : {std::tuple{1, size.y / 2, true}, {size.x - 2, size.y - 60, true}, {size.x / 2, 0, true},
                                      {40, size.y - 2, true}, {size.x / 2, size.y / 2, false}, {10, 10, false}})
        EXPECT_TRUE(gui::Near(shown, x, y, frame ? wxColour(50, 255, 50) : *wxBLACK, 0)) << x << "," << y;
    const wxSize panel = Window()->panel->GetClientSize();
    EXPECT_EQ(Canvas()->GetRect(), wxRect(105, 0, panel.x - 105, panel.y));
    EXPECT_FALSE(Window()->editMenu->IsEnabled(ID_UNDO) || Window()->editMenu->IsEnabled(ID_REDO));
    // Each starts with "first" undone and "second" to undo; runs() counts the command.
    // Open Spline and Open Image bring up dialogs: the file dialog test presses their keys.
    const struct { wxMenu* menu; int id, key; const char* label; int (*runs)(); } shortcuts[] = {  // label: before the tab
        {Window()->fileMenu, ID_NEW_SPLINE, 'n', "&New Spline", [] { return int(Doc()->undoList.size()) - 1; }},
        {Window()->fileMenu, ID_SAVE_SPLINE, 's', "&Save Spline", [] { return int(Statuses().size()); }},
        {Window()->editMenu, ID_UNDO, 'z', "&Undo first", [] { return 1 - int(Doc()->undoList.size()); }},
        {Window()->editMenu, ID_REDO, 'y', "&Redo second", [] { return 1 - int(Doc()->redoList.size()); }},
    };
    for (wxWindow* focus : {static_cast<wxWindow*>(Canvas()), static_cast<wxWindow*>(Window()->typeRadioBox)})
        for (const auto& s : shortcuts) {
            SCOPED_TRACE(testing::Message() << "Ctrl+" << char(s.key) << (focus == Canvas() ? " on the canvas" : " elsewhere"));
            gui::ResetDocument();
            SetFileName(Temp("shortcut.txt"));
            Doc()->RecordCommand("first"), Doc()->RecordCommand("second"), Doc()->Undo();
            EXPECT_EQ(s.menu->GetLabel(s.id), wxString(s.label) + "\tCtrl+" + char(toupper(s.key)));
            gui::MoveTo(300, 300);
            ClearLogs();  // of the pointer's read-outs too
            focus->SetFocus();
            gui::Key(s.key, wxMOD_CONTROL);
            EXPECT_EQ(s.runs(), 1);
            EXPECT_EQ(Title(), s.key == 'n' ? "VORN Spline Editor (noname.txt)" : "VORN Spline Editor (shortcut.txt)");
        }
}

TEST(MainWindow, FileDialogsOpenSaveAndRememberTheirOwnPlacesAndDroppedFilesOpen)
{
    PictureScope keep;
    gui::ResetDocument();
    const std::string one = Temp("one"), two = Temp("two"), three = Temp("three");
    for (const std::string& dir : {one, two, three})
        wxFileName::Mkdir(dir);
    WriteFile("one/a.txt", TwoPoints);
    wxImage(8, 8).SaveFile(two + "/p.bmp", wxBITMAP_TYPE_BMP);
    AddAt(100, 100);
    // Open Spline and Open Image through their keys, Save As through its menu item.
    const struct { int command, key; std::string title, answer, directory; } uses[] = {{ID_OPEN_SPLINE, 'o', "Load Track Path File", one + "/a.txt", one},
                {ID_OPEN_IMAGE, 'a', "Load Image", two + "/p.bmp", two},
                {ID_SAVE_SPLINE_AS, 0, "Save Track Path File", three + "/s.txt", three}};
    gui::MoveTo(-40, 300);  // off the canvas, where no read-outs are written
    ClearLogs();
    for (const auto& use : uses) {
        // A dialog the key brought up twice would be one more than expected.
        wxTEST_DIALOG(use.key ? gui::Key(use.key, wxMOD_CONTROL) : gui::Command(use.command), AnswerFile(use.answer, 1));
        EXPECT_EQ(AnswerFile::seen.title, use.title);
    }
    EXPECT_EQ(ReadFile(three + "/s.txt"), "2\n1.000000,2.000000,3.000000,0\n10.000000,20.000000,4.000000,1\n");
    EXPECT_TRUE(currentFileName == three + "/s.txt" && Doc()->mapping.width == 8 && Errors().empty());
    // Each dialog comes back where it was last left with OK, whatever the others did;
    // a dialog cancelled elsewhere changes nothing.
    for (int round = 0; round < 2; ++round)
        for (const auto& use : uses) {
            wxTEST_DIALOG(gui::Command(use.command), AnswerFile(Temp() + "/x.txt", 0, wxID_CANCEL));
            EXPECT_EQ(AnswerFile::seen.directory, use.directory);
            EXPECT_EQ(AnswerFile::seen.filter, 1);
        }
    EXPECT_EQ(Statuses().size(), 3u);
    EXPECT_FALSE(wxFileName::FileExists(Temp() + "/x.txt"));

    // Files dropped on the window open in their order, each by its ending; of a name
    // it cannot read, its last four characters, not bytes, are shown, and never as a format.
    gui::ResetDocument();
    const char* const names[] = {"track.TXT", "picture.Bmp", "anim.gif", "x.%n%s", "map.\xe6\x97\xa5\xe6\x9c\xac"};
    auto* files = new wxString[6];  // the event takes the array over
    for (int i = 0; i < 5; ++i)
        files[i] = wxString::FromUTF8(WriteFile(names[i], i ? "GIF" : TwoPoints));
    files[5] = Temp("missing.bmp");
    wxImage(64, 48).SaveFile(files[1], wxBITMAP_TYPE_BMP);
    wxDropFilesEvent drop(wxEVT_DROP_FILES, 6, files);
    Window()->frame->GetEventHandler()->ProcessEvent(drop);
    EXPECT_TRUE(Chain().size() == 2 && Doc()->mapping.width == 64 && UndoNames().empty());  // the path replaced an empty one
    EXPECT_EQ(Errors(), (Strings{"Unrecognized file type:  .gif", "Unrecognized file type:  %n%s",
                                 "Unrecognized file type:  p.\xe6\x97\xa5\xe6\x9c\xac"}));
}

// The band shows whole beyond a small picture, in both ways of drawing, and goes
// again without a trace.
TEST(MainWindow, WholeBandShowsBeyondASmallPicture)
{
    gui::ResetDocument();
    PictureScope picture(120, 100);
    gui::MoveTo(40, 40);
    gui::Press();
    for (int i = 1; i <= 4; ++i)
        gui::MoveTo(40 + 65 * i, 40 + 50 * i);  // to (300, 240)
    for (const bool cairo : {true, false}) {
        CanvasPainter::Instance()->UseCairo(cairo);
        CanvasPainter::Instance()->RedrawAll();
        const wxImage shot = gui::CanvasScreenshot();
        for (const auto& [x, y] : {std::pair{80, 40}, {200, 40}, {40, 70}, {40, 200}, {300, 150}, {200, 240}})
            EXPECT_TRUE(gui::Near(shot, x, y, Window()->canvasHandler->bandColour)) << x << "," << y << " " << cairo;
        EXPECT_FALSE(gui::Near(shot, 200, 150, Window()->canvasHandler->bandColour));  // outline only
    }
    CanvasPainter::Instance()->UseCairo(true);
    gui::Release();
    EXPECT_TRUE(gui::ShowsItAll()) << "a trace of the band is left";
}

}  // namespace
