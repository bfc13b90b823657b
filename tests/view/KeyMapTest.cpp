// The canvas key map, driven by real X key events with the mouse over the canvas.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <vector>

#include <wx/bitmap.h>
#include <wx/filedlg.h>
#include <wx/filefn.h>
#include <wx/radiobox.h>
#include <wx/testing.h>

#include "app/MainWindow.h"
#include "app/TrackCanvas.h"
#include "editor/EditorDocument.h"
#include "editor/HistoryRecord.h"
#include "model/TrackPath.h"
#include "model/TrackPoint.h"
#include "support/GuiDriver.h"
#include "support/LogCapture.h"
#include "support/PathInvariants.h"
#include "view/CanvasHandler.h"
#include "view/CanvasPainter.h"
#include "model/PixelMapping.h"

namespace {

EditorDocument* Doc() { return EditorDocument::Instance(); }
TrackPath* Path() { return Doc()->GetTrackPath(); }

// A point at a canvas position, put in without touching the history.
TrackPoint* AddAt(int px, int py, float w = 3.0f, bool selected = false)
{
    float x = 0, y = 0;
    EXPECT_TRUE(Doc()->Mapping().PixelToWorld(px, py, x, y));
    auto* p = new TrackPoint(x, y, w, 0);
    EXPECT_TRUE(Path()->InsertPoint(p, nullptr));
    if (selected)
        Doc()->Select(p);
    CanvasPainter::Instance()->Redraw();
    return p;
}

std::string UndoTop() { return Doc()->undoList.empty() ? "" : Doc()->undoList.front()->name; }
std::vector<TrackPoint*> Chain() { return {Path()->points.begin(), Path()->points.end()}; }

// The GTK file chooser takes a path only once its folder is loaded, so the
// answer lets events run before the dialog returns.
class FileAnswer : public wxExpectModalBase<wxFileDialog, FileAnswer> {
public:
    explicit FileAnswer(const std::string& path) : path(path) {}

protected:
    int OnInvoked(wxFileDialog* dialog) const override
    {
        dialog->SetPath(path);
        for (int i = 0; i < 50 && dialog->GetPath() != path; ++i)
            gui::Pump(10);
        return wxID_OK;
    }
    std::string path;
};

// Keys go to the canvas only while the mouse is over it; (300, 300) is clear of the points below.
void KeyAt(int key, int modifiers = 0, int x = 300, int y = 300)
{
    gui::MoveTo(x, y);
    gui::Key(key, modifiers);
}

TEST(KeyMap, ControlNReplacesThePathAndCanBeUndone)
{
    gui::ResetDocument();
    AddAt(50, 50);
    AddAt(100, 50);
    KeyAt('n', wxMOD_CONTROL);
    EXPECT_EQ(Path()->Count(), 0u);
    EXPECT_EQ(UndoTop(), "create-new-spline");
    KeyAt('z', wxMOD_CONTROL);
    EXPECT_EQ(Path()->Count(), 2u);
    EXPECT_EQ(LogCapture::Get().LastStatus(), "Undid:  create-new-spline");
    KeyAt('y', wxMOD_CONTROL);
    EXPECT_EQ(Path()->Count(), 0u);
    EXPECT_EQ(LogCapture::Get().LastStatus(), "Redid:  create-new-spline");
}

TEST(KeyMap, ControlUIsACheckpointAndUndoStopsAtAnEmptyHistory)
{
    gui::ResetDocument();
    KeyAt('z', wxMOD_CONTROL);
    EXPECT_EQ(LogCapture::Get().LastStatus(), "No more undo!");
    AddAt(50, 50);
    KeyAt('u', wxMOD_CONTROL);
    EXPECT_EQ(UndoTop(), "unknown");
    EXPECT_EQ(Path()->Count(), 1u);
}

TEST(KeyMap, ControlOAndControlAOpenTheirDialogs)
{
    gui::ResetDocument();
    AddAt(50, 50);
    wxBitmap* before = Doc()->GetBackgroundBitmap();
    wxTEST_DIALOG(KeyAt('o', wxMOD_CONTROL), wxExpectModal<wxFileDialog>("", wxID_CANCEL));
    wxTEST_DIALOG(KeyAt('a', wxMOD_CONTROL), wxExpectModal<wxFileDialog>("", wxID_CANCEL));
    EXPECT_EQ(Path()->Count(), 1u);
    EXPECT_EQ(Doc()->GetBackgroundBitmap(), before);

    const std::string track = std::string(VSE_TEST_DATA_DIR) + "/../examples/track.txt";
    wxTEST_DIALOG(KeyAt('o', wxMOD_CONTROL), FileAnswer(track));
    EXPECT_EQ(Path()->Count(), 28u) << LogCapture::Get().LastError();
    EXPECT_EQ(CheckPathInvariants(*Path()), "");

    const wxBitmap keep(*before);
    const wxSize area = MainWindow::Instance()->canvas->GetVirtualSize();
    const std::string picture = std::string(VSE_TEST_DATA_DIR) + "/../examples/terrain.tga";
    wxTEST_DIALOG(KeyAt('a', wxMOD_CONTROL), FileAnswer(picture));
    EXPECT_EQ(Doc()->GetBackgroundBitmap()->GetWidth(), 512);
    Doc()->SetBackgroundBitmap(new wxBitmap(keep));
    MainWindow::Instance()->canvas->SetScrollbars(1, 1, area.x, area.y, 0, 0);
}

TEST(KeyMap, ControlSWritesTheCurrentFile)
{
    gui::ResetDocument();
    const wxString home = wxGetCwd();
    char dir[] = "/tmp/vse-keys-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    ASSERT_EQ(chdir(dir), 0);
    AddAt(50, 50, 2.0f);
    KeyAt('s', wxMOD_CONTROL);
    ASSERT_EQ(chdir(home.fn_str()), 0);
    std::ifstream saved(std::string(dir) + "/noname.txt");
    std::stringstream text;
    text << saved.rdbuf();
    const TrackPoint* p = Path()->points.front();
    EXPECT_EQ(text.str(), wxString::Format("1\n%.6f,%.6f,2.000000,0\n", p->x, p->y).utf8_string());
    EXPECT_EQ(LogCapture::Get().LastStatus(), "Successfully saved spline.");
}

TEST(KeyMap, DeleteKeysRemoveTheSelectedPointUnderTheCursor)
{
    for (int key : {int('d'), int('D'), int(WXK_DELETE)}) {
        SCOPED_TRACE(key);
        gui::ResetDocument();
        AddAt(100, 100, 3.0f, true);
        TrackPoint* b = AddAt(200, 100);
        KeyAt(key, 0, 100, 100);
        EXPECT_EQ(Chain(), std::vector<TrackPoint*>{b});
        EXPECT_EQ(MainWindow::Instance()->canvasHandler->hoverPoint, nullptr);
        EXPECT_FALSE(b->IsHighlighted());
        EXPECT_EQ(UndoTop(), "delete");
        EXPECT_EQ(CheckPathInvariants(*Path()), "");
    }
}

TEST(KeyMap, FSetsTheStartAndRReversesKeepingIt)
{
    gui::ResetDocument();
    KeyAt('f');
    EXPECT_EQ(LogCapture::Get().LastError(),
              "You must first select a point before you can reset the start/finish point!");
    TrackPoint* a = AddAt(50, 50);
    TrackPoint* b = AddAt(100, 50, 3.0f, true);
    TrackPoint* c = AddAt(150, 50);
    KeyAt('f');
    EXPECT_EQ(Chain(), (std::vector<TrackPoint*>{b, c, a}));
    EXPECT_EQ(UndoTop(), "set-start");
    KeyAt('r');
    EXPECT_EQ(Chain(), (std::vector<TrackPoint*>{b, a, c}));
    EXPECT_EQ(UndoTop(), "reverse-direction");
    EXPECT_EQ(CheckPathInvariants(*Path()), "");
}

TEST(KeyMap, NAndTabCycleTheTypeBackToTheStart)
{
    for (int key : {int('n'), int(WXK_TAB)}) {
        SCOPED_TRACE(key);
        gui::ResetDocument();
        TrackPoint* p = AddAt(100, 100, 3.0f, true);
        for (int expected : {1, 2, 0}) {
            KeyAt(key);
            EXPECT_EQ(MainWindow::Instance()->typeRadioBox->GetSelection(), expected);
            EXPECT_EQ(p->type, expected);
        }
        EXPECT_TRUE(Doc()->undoList.empty());
    }
}

TEST(KeyMap, WidthKeysStepByHalfAndStopAtHalf)
{
    const struct { int key; float w; } cases[] = {
        {'w', 2.5f}, {WXK_UP, 2.5f}, {'s', 1.5f}, {WXK_DOWN, 1.5f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        gui::ResetDocument();
        TrackPoint* p = AddAt(100, 100, 2.0f, true);
        KeyAt(c.key);
        EXPECT_FLOAT_EQ(p->w, c.w);
    }
    gui::ResetDocument();
    TrackPoint* p = AddAt(100, 100, 2.0f, true);
    for (int i = 0; i < 5; ++i)
        KeyAt('s');
    EXPECT_FLOAT_EQ(p->w, 0.5f);
    EXPECT_EQ(LogCapture::Get().LastStatus(),
              wxString::Format("Point:  %7.2f,%7.2f (w = 0.50)", p->x, p->y).utf8_string());
    EXPECT_TRUE(Doc()->undoList.empty());
}

TEST(KeyMap, ShiftWIsUnknownAndAltDoesNothing)
{
    gui::ResetDocument();
    TrackPoint* a = AddAt(50, 50, 2.0f, true);
    TrackPoint* b = AddAt(100, 50, 2.0f, true);
    KeyAt('w', wxMOD_SHIFT);
    EXPECT_EQ(LogCapture::Get().LastStatus(), "Unregonized key-code:  87 (W)");
    EXPECT_FLOAT_EQ(a->w, 2.0f);
    LogCapture::Get().Clear();
    for (int key : {'d', 'r', 'w', 's', 'n'})
        KeyAt(key, wxMOD_ALT);
    EXPECT_EQ(Chain(), (std::vector<TrackPoint*>{a, b}));
    EXPECT_FLOAT_EQ(a->w, 2.0f);
    EXPECT_EQ(a->type, 0);
    EXPECT_TRUE(Doc()->undoList.empty());
    for (const std::string& s : LogCapture::Get().statuses)
        EXPECT_EQ(s.rfind("x,y =", 0), 0u) << s;  // only the hover read-out
}

}  // namespace
