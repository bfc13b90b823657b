// The main window: its layout, menus, file dialogs and dropped files.
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/menu.h>
#include <wx/panel.h>

#include "app/AppIds.h"
#include "app/MainPanel.h"
#include "editor/FileName.h"
#include "support/GuiDriver.h"

namespace {

MainWindow* Window() { return MainWindow::Instance(); }

// The status lines without the read-outs that any stray pointer motion writes.
Strings Reports()
{
    Strings out;
    for (const std::string& s : Statuses())
        if (s.rfind("x,y =", 0) != 0 && s.rfind("Point:", 0) != 0)
            out.push_back(s);
    return out;
}

void Command(int id)
{
    wxCommandEvent event(wxEVT_MENU, id);
    Window()->frame->GetEventHandler()->ProcessEvent(event);
    gui::Pump(30);
}

const char* const TwoPoints = "2\n1.0,2.0,3.0,0\n10.0,20.0,4.0,1\n";

TEST(MainWindow, LayoutMenusAndTitleAndNewRecordsEvenForAnEmptyPath)
{
    gui::ResetDocument();
    for (const wxSize size : {wxSize(760, 640), wxSize(520, 480), wxSize(600, 600)}) {
        Window()->frame->SetSize(size);
        gui::Pump(150);
        const wxRect canvas = Window()->canvas->GetRect();
        const wxSize panel = Window()->panel->GetClientSize();
        EXPECT_EQ(canvas, wxRect(105, 0, panel.x - 105, panel.y)) << size.x;
    }
    for (int id : {ID_UNDO, ID_REDO})
        EXPECT_FALSE(Window()->editMenu->IsEnabled(id));
    // GTK keeps only the part before the tab of a label whose shortcut text it cannot read.
    EXPECT_EQ(Window()->editMenu->GetLabel(ID_UNDO).BeforeFirst('\t'), "&Undo ");
    EXPECT_EQ(Window()->editMenu->GetLabel(ID_REDO).BeforeFirst('\t'), "&Redo ");
    for (const auto& [name, shown] : {std::pair{"C:\\tracks\\old.txt", "old.txt"}, {"D:first.txt", "first.txt"},
                                      {"/somewhere/track.txt", "track.txt"}}) {
        SetFileName(name);
        EXPECT_EQ(Title(), std::string("VORN Spline Editor (") + shown + ")");
    }
    Command(ID_NEW_SPLINE);
    EXPECT_EQ(Title(), "VORN Spline Editor (noname.txt)");
    EXPECT_EQ(UndoNames(), Strings{"create-new-spline"});
    EXPECT_TRUE(Window()->editMenu->IsEnabled(ID_UNDO));
}

TEST(MainWindow, FileDialogsOpenSaveAndRememberTheirOwnPlaces)
{
    PictureScope keep;
    gui::ResetDocument();
    const std::string one = Temp("one"), two = Temp("two"), three = Temp("three");
    for (const std::string& dir : {one, two, three})
        wxFileName::Mkdir(dir);
    WriteFile("one/a.txt", TwoPoints);
    wxImage(8, 8).SaveFile(two + "/p.bmp", wxBITMAP_TYPE_BMP);
    AddAt(100, 100);
    DialogSeen seen;
    // Open Spline and Open Image through their keys, Save As through its menu item.
    const struct {
        int command, key;
        std::string title, answer, directory;
    } uses[] = {{ID_OPEN_SPLINE, 'o', "Load Track Path File", one + "/a.txt", one},
                {ID_OPEN_IMAGE, 'a', "Load Image", two + "/p.bmp", two},
                {ID_SAVE_SPLINE_AS, 0, "Save Track Path File", three + "/s.txt", three}};
    gui::MoveTo(300, 300);
    for (const auto& use : uses) {
        // A dialog the key brought up twice would be one more than expected.
        wxTEST_DIALOG(use.key ? gui::Key(use.key, wxMOD_CONTROL) : Command(use.command), AnswerFile(use.answer, &seen, 1));
        EXPECT_TRUE(!use.key || Window()->fileMenu->GetLabel(use.command).EndsWith(wxString("\tCtrl+") + char(toupper(use.key))));
        EXPECT_EQ(seen.title, use.title);
        EXPECT_FALSE(seen.frameEnabled);
        EXPECT_TRUE(Window()->frame->IsEnabled());
    }
    EXPECT_EQ(Doc()->GetBackgroundBitmap()->GetSize(), wxSize(8, 8));
    EXPECT_EQ(ReadFile(three + "/s.txt"), "2\n1.000000,2.000000,3.000000,0\n10.000000,20.000000,4.000000,1\n");
    EXPECT_EQ(Title(), "VORN Spline Editor (s.txt)");
    EXPECT_EQ(currentFileName, three + "/s.txt");
    EXPECT_EQ(UndoNames(), Strings{"load-spline"});
    EXPECT_EQ(Reports(), (Strings{"Successfully loaded new spline.", "Successfully loaded new image.",
                                  "Successfully saved spline."}));
    // Each dialog comes back where it was last left with OK, whatever the others did;
    // a dialog cancelled elsewhere changes nothing.
    for (int round = 0; round < 2; ++round)
        for (const auto& use : uses) {
            wxTEST_DIALOG(Command(use.command), AnswerFile(Temp() + "/x.txt", &seen, 0, wxID_CANCEL));
            EXPECT_EQ(seen.directory, use.directory);
            EXPECT_EQ(seen.filter, 1);
        }
    EXPECT_EQ(Path()->Count(), 2u);
    EXPECT_EQ(Reports().size(), 3u);
    EXPECT_FALSE(wxFileName::FileExists(Temp() + "/x.txt"));
}

TEST(MainWindow, DroppedFilesOpenInOrderByTheirEnding)
{
    PictureScope keep;
    gui::ResetDocument();
    auto* files = new wxString[3]{WriteFile("track.TXT", TwoPoints), Temp("picture.Bmp"), WriteFile("anim.gif", "GIF")};
    wxImage(64, 48).SaveFile(files[1], wxBITMAP_TYPE_BMP);
    wxDropFilesEvent drop(wxEVT_DROP_FILES, 3, files);  // takes the array over
    Window()->frame->GetEventHandler()->ProcessEvent(drop);
    EXPECT_EQ(Path()->Count(), 2u);
    EXPECT_EQ(Doc()->GetBackgroundBitmap()->GetSize(), wxSize(64, 48));
    EXPECT_EQ(Reports(), (Strings{"Successfully loaded new spline.", "Successfully loaded new image."}));
    EXPECT_EQ(Errors(), Strings{"Unrecognized file type:  .gif"});
}

}  // namespace
