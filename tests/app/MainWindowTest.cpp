#include <algorithm>
#include <cstdlib>
#include <fstream>

#include <gtest/gtest.h>
#include <wx/bitmap.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/image.h>
#include <wx/msgdlg.h>
#include <wx/uiaction.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/radiobox.h>

#include "app/AppIds.h"
#include "app/MainFrame.h"
#include "app/MainPanel.h"
#include "app/MainWindow.h"
#include "app/TrackCanvas.h"
#include "support/GuiDriver.h"
#include "editor/EditorDocument.h"
#include "editor/HistoryRecord.h"
#include "editor/FileName.h"
#include "model/TrackPath.h"
#include "model/TrackPoint.h"
#include "support/LogCapture.h"
#include "support/PathInvariants.h"
#include "view/CanvasHandler.h"
#include "view/CanvasPainter.h"
#include "view/InputFlags.h"
#include "model/PixelMapping.h"

namespace {

EditorDocument* Doc()
{
    return EditorDocument::Instance();
}

// Puts a point at a logical canvas position without touching the history.
TrackPoint* AddAt(int px, int py, bool selected = false)
{
    float x = 0, y = 0;
    EXPECT_TRUE(Doc()->Mapping().PixelToWorld(px, py, x, y));
    auto* point = new TrackPoint(x, y, 3.0f, 0);
    EXPECT_TRUE(Doc()->GetTrackPath()->InsertPoint(point, nullptr));
    if (selected)
        Doc()->Select(point);
    CanvasPainter::Instance()->Redraw();
    return point;
}

// The undo list, oldest first.
std::vector<std::string> UndoNames()
{
    std::vector<std::string> names;
    for (HistoryRecord* r : Doc()->undoList)
        names.insert(names.begin(), r->name);
    return names;
}

bool Logged(const std::string& status)
{
    const auto& all = LogCapture::Get().statuses;
    return std::find(all.begin(), all.end(), status) != all.end();
}

// Brings back the picture and the scroll area that were there when it was made.
struct PictureKeeper {
    PictureKeeper() : picture(*Doc()->GetBackgroundBitmap()), area(MainWindow::Instance()->canvas->GetVirtualSize()) {}
    ~PictureKeeper()
    {
        Doc()->SetBackgroundBitmap(new wxBitmap(picture));
        MainWindow::Instance()->canvas->SetScrollbars(1, 1, area.x, area.y, 0, 0);
        gui::Pump(30);
    }
    wxBitmap picture;
    wxSize area;
};

class AppTest : public ::testing::Test {
protected:
    void SetUp() override { gui::ResetDocument(); }
};

}  // namespace

TEST(MainWindow, LooksAsBuiltOnStart)
{
    MainWindow* window = MainWindow::Instance();
    EXPECT_EQ(window->frame->GetTitle(), "VORN Spline Editor (noname.txt)");
    EXPECT_EQ(window->frame->GetSize(), wxSize(600, 600));
    EXPECT_EQ(window->typeRadioBox->GetPosition(), wxPoint(5, 5));
    EXPECT_EQ(window->typeRadioBox->GetSize(), wxSize(100, 100));
    ASSERT_EQ(window->typeRadioBox->GetCount(), 3u);
    EXPECT_EQ(window->typeRadioBox->GetString(0), "Straight");
    EXPECT_EQ(window->typeRadioBox->GetString(1), "Jump");
    EXPECT_EQ(window->typeRadioBox->GetString(2), "Curve");
    EXPECT_EQ(window->canvas->GetPosition().x, 105);
    EXPECT_FALSE(window->editMenu->IsEnabled(ID_UNDO));
    EXPECT_FALSE(window->editMenu->IsEnabled(ID_REDO));
    // GTK keeps only the part before the tab of a label whose shortcut text it cannot parse.
    EXPECT_EQ(window->editMenu->GetLabel(ID_UNDO).BeforeFirst('\t'), "&Undo ");
    EXPECT_EQ(window->editMenu->GetLabel(ID_REDO).BeforeFirst('\t'), "&Redo ");
}

TEST(MainWindow, CanvasFollowsFrameResize)
{
    MainWindow* window = MainWindow::Instance();
    for (const wxSize size : {wxSize(760, 640), wxSize(520, 480), wxSize(600, 600)}) {
        window->frame->SetSize(size);
        gui::Pump(150);
        const wxRect canvas = window->canvas->GetRect();
        const wxSize panel = window->panel->GetClientSize();
        EXPECT_EQ(canvas.x, window->typeRadioBox->GetRect().GetRight() + 1) << size.x;
        EXPECT_EQ(canvas.GetRight() + 1, panel.x) << size.x;
        EXPECT_EQ(canvas.GetBottom() + 1, panel.y) << size.y;
    }
}

namespace {

// Sees every input word on its way to the real handler.
struct RecordingHandler : CanvasHandler {
    explicit RecordingHandler(CanvasHandler* real) : real(real) {}
    void HandleMouse(int x, int y, int lx, int ly, int flags) override
    {
        words.push_back(flags);
        real->HandleMouse(x, y, lx, ly, flags);
    }
    void HandleKey(int key, int x, int y, int lx, int ly, int flags) override
    {
        real->HandleKey(key, x, y, lx, ly, flags);
    }
    // The words of presses, releases and leaves, in order.
    std::vector<int> Events() const
    {
        std::vector<int> out;
        for (int w : words)
            if (w & (InputFlags::Press | InputFlags::Release | InputFlags::Leave))
                out.push_back(w);
        return out;
    }
    CanvasHandler* real;
    std::vector<int> words;
};

class InputWords : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        gui::MoveTo(200, 200);
        MainWindow::Instance()->canvasHandler = &recorder;
    }
    void TearDown() override { MainWindow::Instance()->canvasHandler = original; }
    CanvasHandler* original = MainWindow::Instance()->canvasHandler;
    RecordingHandler recorder{original};
};

}  // namespace

TEST_F(InputWords, ShiftLeftClickIsPressThenRelease)
{
    gui::HoldModifiers(wxMOD_SHIFT);
    gui::Press(wxMOUSE_BTN_LEFT);
    gui::Release(wxMOUSE_BTN_LEFT);
    gui::ReleaseModifiers(wxMOD_SHIFT);
    EXPECT_EQ(recorder.Events(), (std::vector<int>{0x209, 0x211}));
}

TEST_F(InputWords, RightPressAndRelease)
{
    gui::Press(wxMOUSE_BTN_RIGHT);
    gui::Release(wxMOUSE_BTN_RIGHT);
    EXPECT_EQ(recorder.Events(), (std::vector<int>{0x00C, 0x014}));
}

TEST_F(InputWords, LeavingTheCanvas)
{
    gui::MoveTo(-40, 200);  // over the radio box
    const std::vector<int> events = recorder.Events();
    ASSERT_FALSE(events.empty());
    const int modifiers = InputFlags::Control | InputFlags::Alt | InputFlags::Shift;
    EXPECT_EQ(events.back() & ~modifiers, 0x400);
    for (int w : recorder.words)
        EXPECT_EQ(w & 0x040, 0);
}

namespace {

wxPoint PixelOf(const TrackPoint* p)
{
    int px = 0, py = 0;
    EXPECT_TRUE(Doc()->Mapping().WorldToPixel(p->x, p->y, px, py));
    return wxPoint(px, py);
}

// Within a pixel on each axis: world coordinates round on the way back.
#define EXPECT_AT(point, px, py)                                            \
    do {                                                                    \
        const wxPoint at = PixelOf(point);                                  \
        EXPECT_NEAR(at.x, px, 1);                                           \
        EXPECT_NEAR(at.y, py, 1);                                           \
    } while (0)

std::vector<bool> Selected(std::initializer_list<const TrackPoint*> points)
{
    std::vector<bool> out;
    for (const TrackPoint* p : points)
        out.push_back(p->IsSelected());
    return out;
}

}  // namespace

TEST_F(AppTest, ClickOnEmptyCanvasCreatesPoint)
{
    gui::ClickAt(200, 150);
    TrackPath* path = Doc()->GetTrackPath();
    ASSERT_EQ(path->Count(), 1u);
    EXPECT_AT(path->points.front(), 200, 150);
    EXPECT_TRUE(path->points.front()->IsSelected());
    EXPECT_EQ(UndoNames(), (std::vector<std::string>{"select", "create-point"}));
    EXPECT_EQ(CheckPathInvariants(*path), "");
}

TEST_F(AppTest, ClickBesideSegmentSplitsItAtTheProjection)
{
    TrackPoint* a = AddAt(100, 100);
    TrackPoint* b = AddAt(300, 300);
    gui::ClickAt(204, 196);
    TrackPath* path = Doc()->GetTrackPath();
    ASSERT_EQ(path->Count(), 3u);
    TrackPoint* middle = *std::next(path->points.begin());
    EXPECT_EQ(path->points.front(), a);
    EXPECT_EQ(path->points.back(), b);
    EXPECT_AT(middle, 200, 200);
    EXPECT_EQ(CheckPathInvariants(*path), "");
}

TEST_F(AppTest, PressOnUnselectedPointSelectsOnlyPointsUnderIt)
{
    TrackPoint* a = AddAt(100, 100);
    TrackPoint* b = AddAt(104, 103);
    TrackPoint* c = AddAt(300, 300, true);
    gui::DragFromTo(100, 100, 160, 130);
    EXPECT_EQ(Selected({a, b, c}), (std::vector<bool>{true, true, false}));
    EXPECT_AT(a, 160, 130);
    EXPECT_AT(b, 164, 133);
    EXPECT_AT(c, 300, 300);
    EXPECT_EQ(UndoNames(), std::vector<std::string>{"move"});
    EXPECT_EQ(MainWindow::Instance()->canvasHandler->mode, Idle);
    EXPECT_EQ(CheckPathInvariants(*Doc()->GetTrackPath()), "");
}

TEST_F(AppTest, PressOnSelectedPointDragsTheWholeSelection)
{
    TrackPoint* a = AddAt(100, 100, true);
    TrackPoint* b = AddAt(200, 100);
    TrackPoint* c = AddAt(300, 300, true);
    gui::DragFromTo(100, 100, 140, 120);
    EXPECT_EQ(Selected({a, b, c}), (std::vector<bool>{true, false, true}));
    EXPECT_AT(a, 140, 120);
    EXPECT_AT(b, 200, 100);
    EXPECT_AT(c, 340, 320);
    EXPECT_EQ(CheckPathInvariants(*Doc()->GetTrackPath()), "");
}

TEST_F(AppTest, ControlClickTogglesOnePoint)
{
    TrackPoint* a = AddAt(100, 100, true);
    TrackPoint* c = AddAt(300, 300);
    gui::HoldModifiers(wxMOD_CONTROL);
    gui::ClickAt(300, 300);
    EXPECT_EQ(Selected({a, c}), (std::vector<bool>{true, true}));
    gui::ClickAt(100, 100);
    gui::ReleaseModifiers(wxMOD_CONTROL);
    EXPECT_EQ(Selected({a, c}), (std::vector<bool>{false, true}));
    EXPECT_AT(a, 100, 100);
    EXPECT_AT(c, 300, 300);
}

TEST(MouseGestures, RubberBandEitherWaySelectsTheSamePoints)
{
    const struct {
        wxPoint from, to;
        bool control;
        std::vector<bool> selected;  // of a, b (inside) and c (outside); a and c start selected
    } cases[] = {
        {{120, 120}, {250, 250}, false, {true, true, false}},
        {{250, 250}, {120, 120}, false, {true, true, false}},
        {{120, 250}, {250, 120}, true, {false, true, true}},
        {{250, 120}, {120, 250}, true, {false, true, true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from.x << "," << c.from.y << " control " << c.control);
        gui::ResetDocument();
        TrackPoint* a = AddAt(150, 150, true);
        TrackPoint* b = AddAt(200, 220);
        TrackPoint* out = AddAt(350, 350, true);
        if (c.control)
            gui::HoldModifiers(wxMOD_CONTROL);
        gui::DragFromTo(c.from.x, c.from.y, c.to.x, c.to.y);
        if (c.control)
            gui::ReleaseModifiers(wxMOD_CONTROL);
        EXPECT_EQ(Selected({a, b, out}), c.selected);
        EXPECT_EQ(Doc()->GetTrackPath()->Count(), 3u);
        EXPECT_EQ(UndoNames(), std::vector<std::string>{"select"});
        EXPECT_TRUE(Logged("Selected point(s)."));
    }
}

TEST_F(AppTest, RightClickClearsTheSelection)
{
    TrackPoint* a = AddAt(100, 100, true);
    gui::ClickAt(300, 100, wxMOUSE_BTN_RIGHT);
    EXPECT_FALSE(a->IsSelected());
    EXPECT_TRUE(Doc()->selection.empty());
    EXPECT_EQ(UndoNames(), std::vector<std::string>{"unselect-all"});
    EXPECT_TRUE(Logged("Finished panning."));
}

TEST_F(AppTest, RightDragPansAndKeepsTheSelection)
{
    PictureKeeper keep;
    TrackCanvas* canvas = MainWindow::Instance()->canvas;
    Doc()->SetBackgroundBitmap(new wxBitmap(1200, 1200, 24));
    canvas->SetScrollbars(1, 1, 1200, 1200, 0, 0);
    gui::Pump(50);
    TrackPoint* a = AddAt(250, 250, true);
    gui::DragFromTo(300, 300, 200, 250, wxMOUSE_BTN_RIGHT);
    int sx = 0, sy = 0;
    canvas->GetViewStart(&sx, &sy);
    EXPECT_EQ(wxPoint(sx, sy), wxPoint(100, 50));
    // What was under the mouse at the press is under it at the release.
    EXPECT_EQ(canvas->ToLogical(wxPoint(200, 250)), wxPoint(300, 300));
    EXPECT_TRUE(a->IsSelected());
    EXPECT_AT(a, 250, 250);
    EXPECT_TRUE(UndoNames().empty());
    canvas->Scroll(0, 0);
}

TEST_F(AppTest, LeavingTheCanvasClearsHighlightAndStatus)
{
    TrackPoint* a = AddAt(200, 200);
    gui::MoveTo(190, 190);
    gui::MoveTo(200, 200);
    EXPECT_TRUE(a->IsHighlighted());
    EXPECT_EQ(gui::StatusText().rfind("Point:  ", 0), 0u) << gui::StatusText();
    gui::MoveTo(-40, 200);
    EXPECT_FALSE(a->IsHighlighted());
    EXPECT_EQ(MainWindow::Instance()->canvasHandler->hoverPoint, nullptr);
    EXPECT_EQ(gui::StatusText(), "");
}

TEST_F(AppTest, MiddleButtonDoesNothing)
{
    TrackPoint* a = AddAt(100, 100, true);
    TrackPoint* b = AddAt(300, 300);
    for (const wxPoint at : {wxPoint(200, 200), wxPoint(300, 300)}) {
        gui::ClickAt(at.x, at.y, wxMOUSE_BTN_MIDDLE);
        gui::DragFromTo(at.x, at.y, at.x + 30, at.y + 30, wxMOUSE_BTN_MIDDLE);
    }
    EXPECT_EQ(Doc()->GetTrackPath()->Count(), 2u);
    EXPECT_EQ(Selected({a, b}), (std::vector<bool>{true, false}));
    EXPECT_AT(b, 300, 300);
    EXPECT_TRUE(UndoNames().empty());
    EXPECT_EQ(MainWindow::Instance()->canvasHandler->mode, Idle);
}

// Dialog expectations that fail the test instead of asserting.
#define wxTEST_DIALOG_HOOK_CLASS GTestDialogHook
#include <wx/testing.h>

class GTestDialogHook : public wxTestingModalHook {
public:
    GTestDialogHook(const char* file, int line, const char* func) : wxTestingModalHook(file, line, func) {}
    void ReportFailure(const wxString& message) override { ADD_FAILURE() << message.utf8_string(); }
};

namespace {

// What a file dialog showed when it came up.
struct DialogSeen {
    wxString title, directory;
    int filter = -2;
    bool frameEnabled = true;
};

// Answers a file dialog with a path and a filter, after noting what it started with.
class AnswerFile : public wxExpectModalBase<wxFileDialog, AnswerFile> {
public:
    AnswerFile(DialogSeen& seen, const wxString& path, int filter = 0, int id = wxID_OK)
        : seen(&seen), path(path), filter(filter), id(id)
    {
    }

protected:
    int OnInvoked(wxFileDialog* dialog) const override
    {
        *seen = {dialog->GetMessage(), dialog->GetDirectory(), dialog->GetFilterIndex(),
                 MainWindow::Instance()->frame->IsEnabled()};
        dialog->SetPath(path);
        dialog->SetFilterIndex(filter);
        // GTK takes the path over only once its chooser has had some events.
        for (int i = 0; i < 50 && dialog->GetPath() != path; ++i)
            gui::Pump(20);
        return id;
    }

private:
    DialogSeen* seen;
    wxString path;
    int filter, id;
};

void Command(int id)
{
    wxCommandEvent event(wxEVT_MENU, id);
    MainWindow::Instance()->frame->GetEventHandler()->ProcessEvent(event);
    gui::Pump(30);
}

// A directory of its own for this run, with subdirectories on demand.
std::string TempDir(const std::string& sub = "")
{
    static std::string root = [] {
        char pattern[] = "/tmp/vse-app-XXXXXX";
        return std::string(mkdtemp(pattern));
    }();
    const std::string dir = sub.empty() ? root : root + "/" + sub;
    wxFileName::Mkdir(dir, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    return dir;
}

std::string WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream(path) << text;
    return path;
}

const char* const TwoPoints = "2\n1.0,2.0,3.0,0\n10.0,20.0,4.0,1\n";

std::string Title()
{
    return MainWindow::Instance()->frame->GetTitle().utf8_string();
}

}  // namespace

TEST_F(AppTest, NewRecordsEvenForAnEmptyPathAndResetsTheTitle)
{
    SetFileName("C:\\tracks\\old.txt");
    EXPECT_EQ(Title(), "VORN Spline Editor (old.txt)");
    SetFileName("D:first.txt");
    EXPECT_EQ(Title(), "VORN Spline Editor (first.txt)");
    SetFileName("/somewhere/track.txt");
    EXPECT_EQ(Title(), "VORN Spline Editor (track.txt)");
    Command(ID_NEW_SPLINE);
    EXPECT_EQ(Title(), "VORN Spline Editor (noname.txt)");
    EXPECT_EQ(UndoNames(), std::vector<std::string>{"create-new-spline"});
    wxMenu* edit = MainWindow::Instance()->editMenu;
    EXPECT_TRUE(edit->IsEnabled(ID_UNDO));
    EXPECT_EQ(edit->GetLabel(ID_UNDO).BeforeFirst('\t'), "&Undo create-new-spline");
    AddAt(100, 100);
    Command(ID_NEW_SPLINE);
    EXPECT_EQ(Doc()->GetTrackPath()->Count(), 0u);
    EXPECT_EQ(UndoNames().size(), 2u);
}

TEST_F(AppTest, OpenSplineThroughTheDialog)
{
    const std::string file = WriteFile(TempDir() + "/loaded.txt", TwoPoints);
    AddAt(100, 100);
    DialogSeen seen;
    wxTEST_DIALOG(Command(ID_OPEN_SPLINE), AnswerFile(seen, file));
    EXPECT_EQ(seen.title, "Load Track Path File");
    EXPECT_FALSE(seen.frameEnabled);
    EXPECT_TRUE(MainWindow::Instance()->frame->IsEnabled());
    EXPECT_EQ(Doc()->GetTrackPath()->Count(), 2u);
    EXPECT_EQ(Title(), "VORN Spline Editor (loaded.txt)");
    EXPECT_EQ(currentFileName, file);
    EXPECT_TRUE(Logged("Successfully loaded new spline."));
    EXPECT_EQ(UndoNames(), std::vector<std::string>{"load-spline"});
}

TEST_F(AppTest, SaveAsThroughTheDialogRenamesTheDocument)
{
    const std::string file = TempDir() + "/saved.txt";
    std::remove(file.c_str());
    AddAt(100, 100);
    AddAt(200, 150);
    DialogSeen seen;
    wxTEST_DIALOG(Command(ID_SAVE_SPLINE_AS), AnswerFile(seen, file));
    EXPECT_EQ(seen.title, "Save Track Path File");
    EXPECT_FALSE(seen.frameEnabled);
    EXPECT_TRUE(MainWindow::Instance()->frame->IsEnabled());
    EXPECT_TRUE(wxFileName::FileExists(file));
    EXPECT_EQ(Title(), "VORN Spline Editor (saved.txt)");
    EXPECT_EQ(currentFileName, file);
    EXPECT_TRUE(Logged("Successfully saved spline."));
    TrackPath reread(file.c_str());
    EXPECT_EQ(reread.Count(), 2u);
}

TEST_F(AppTest, EachFileDialogRemembersItsOwnDirectoryAndFilter)
{
    PictureKeeper keep;
    const std::string one = TempDir("one"), two = TempDir("two"), three = TempDir("three");
    WriteFile(one + "/a.txt", TwoPoints);
    wxImage(8, 8).SaveFile(two + "/p.bmp", wxBITMAP_TYPE_BMP);
    DialogSeen seen;
    wxTEST_DIALOG(Command(ID_OPEN_SPLINE), AnswerFile(seen, one + "/a.txt", 1));
    wxTEST_DIALOG(Command(ID_OPEN_IMAGE), AnswerFile(seen, two + "/p.bmp", 1));
    wxTEST_DIALOG(Command(ID_SAVE_SPLINE_AS), AnswerFile(seen, three + "/s.txt", 1));
    const struct {
        int command;
        std::string directory;
        int filter;
    } uses[] = {{ID_OPEN_SPLINE, one, 1}, {ID_OPEN_IMAGE, two, 1}, {ID_SAVE_SPLINE_AS, three, 1}};
    for (int round = 0; round < 2; ++round) {
        for (const auto& use : uses) {
            SCOPED_TRACE(testing::Message() << "command " << use.command << " round " << round);
            // The first round cancels somewhere else; the second sees nothing of that.
            wxTEST_DIALOG(Command(use.command), AnswerFile(seen, TempDir("four") + "/x.txt", 0, wxID_CANCEL));
            EXPECT_EQ(seen.directory, use.directory);
            EXPECT_EQ(seen.filter, use.filter);
            EXPECT_TRUE(MainWindow::Instance()->frame->IsEnabled());
        }
    }
}

TEST_F(AppTest, CancelledFileDialogsChangeNothing)
{
    PictureKeeper keep;
    const std::string file = WriteFile(TempDir() + "/cancel.txt", TwoPoints);
    wxImage(8, 8).SaveFile(TempDir() + "/cancel.bmp", wxBITMAP_TYPE_BMP);
    AddAt(100, 100);
    const wxBitmap* picture = Doc()->GetBackgroundBitmap();
    for (const auto& [command, answer] : {std::pair<int, std::string>{ID_OPEN_SPLINE, file},
                                          {ID_OPEN_IMAGE, TempDir() + "/cancel.bmp"},
                                          {ID_SAVE_SPLINE_AS, TempDir() + "/never.txt"}}) {
        DialogSeen seen;
        wxTEST_DIALOG(Command(command), AnswerFile(seen, answer, 0, wxID_CANCEL));
        EXPECT_TRUE(MainWindow::Instance()->frame->IsEnabled());
    }
    EXPECT_EQ(Doc()->GetTrackPath()->Count(), 1u);
    EXPECT_EQ(Doc()->GetBackgroundBitmap(), picture);
    EXPECT_FALSE(wxFileName::FileExists(TempDir() + "/never.txt"));
    EXPECT_EQ(Title(), "VORN Spline Editor (noname.txt)");
    EXPECT_EQ(currentFileName, "noname.txt");
    EXPECT_TRUE(UndoNames().empty());
    EXPECT_TRUE(LogCapture::Get().statuses.empty());
}

TEST_F(AppTest, DroppedFilesOpenInOrderByTheirEnding)
{
    PictureKeeper keep;
    const std::string dir = TempDir("drop");
    auto* files = new wxString[3]{WriteFile(dir + "/track.TXT", TwoPoints), dir + "/picture.Bmp",
                                  WriteFile(dir + "/anim.gif", "GIF89a")};
    wxImage(64, 48).SaveFile(files[1], wxBITMAP_TYPE_BMP);
    wxDropFilesEvent drop(wxEVT_DROP_FILES, 3, files);  // takes the array over
    MainWindow::Instance()->frame->GetEventHandler()->ProcessEvent(drop);
    EXPECT_EQ(Doc()->GetTrackPath()->Count(), 2u);
    EXPECT_EQ(Doc()->GetBackgroundBitmap()->GetSize(), wxSize(64, 48));
    const auto& statuses = LogCapture::Get().statuses;
    const auto spline = std::find(statuses.begin(), statuses.end(), "Successfully loaded new spline.");
    EXPECT_NE(std::find(spline, statuses.end(), "Successfully loaded new image."), statuses.end());
    EXPECT_EQ(LogCapture::Get().errors, std::vector<std::string>{"Unrecognized file type:  .gif"});
}

TEST_F(AppTest, TypeRadioBoxRetypesTheSelectionWithoutHistory)
{
    TrackPoint* a = AddAt(100, 100, true);
    TrackPoint* b = AddAt(200, 100, true);
    TrackPoint* c = AddAt(300, 100);
    wxRadioBox* box = MainWindow::Instance()->typeRadioBox;
    box->SetSelection(2);
    wxCommandEvent picked(wxEVT_RADIOBOX, ID_TYPE_RADIOBOX);
    picked.SetInt(2);
    picked.SetEventObject(box);
    box->GetEventHandler()->ProcessEvent(picked);
    EXPECT_EQ(a->type, 2);
    EXPECT_EQ(b->type, 2);
    EXPECT_EQ(c->type, 0);
    EXPECT_TRUE(Logged("Changed point type to:  2"));
    EXPECT_EQ(LogCapture::Get().LastStatus(), "Type changed to:  Curve");
    EXPECT_TRUE(UndoNames().empty());
    Command(ID_UNDO);
    EXPECT_EQ(a->type, 2);
    EXPECT_EQ(b->type, 2);
}

namespace {

class ReadMessage : public wxExpectModalBase<wxMessageDialog, ReadMessage> {
public:
    explicit ReadMessage(wxString& text) : text(&text) {}

protected:
    int OnInvoked(wxMessageDialog* dialog) const override
    {
        *text = dialog->GetCaption() + "|" + dialog->GetMessage();
        return wxID_OK;
    }

private:
    wxString* text;
};

}  // namespace

TEST_F(AppTest, AboutBoxNamesProgramVersionAndContact)
{
    wxString text;
    wxTEST_DIALOG(Command(ID_ABOUT), ReadMessage(text));
    EXPECT_TRUE(text.StartsWith("About VornSplineEdit|VornSplineEdit 1.01\n\nSend all comments to:\n  ")) << text;
    EXPECT_TRUE(text.AfterLast('\n').Trim().Contains("@")) << text;
}
