// What a desktop user does without reading the manual: the wheel, the shortcuts
// shown in the menus, Alt+letter for a menu, a rubber band beyond a small
// picture. Real X input on the real window throughout.
#include <algorithm>
#include <cstdlib>
#include <unistd.h>

#include <wx/menu.h>
#include <wx/radiobox.h>

#include "app/AppIds.h"
#include "editor/FileName.h"
#include "support/GuiDriver.h"

namespace {

MainWindow* Window() { return MainWindow::Instance(); }
TrackCanvas* Canvas() { return Window()->canvas; }

int Count(const std::vector<std::string>& lines, const std::string& line)
{
    return int(std::count(lines.begin(), lines.end(), line));
}

// Each test starts afresh and leaves the picture as it found it.
class Desktop : public ::testing::Test {
protected:
    void SetUp() override { gui::ResetDocument(); }
    PictureScope keep;
};

// What a notch scrolls, in pixels: a few tens.
constexpr int WheelStep = 40;

// One real wheel notch over the canvas: X buttons 4 up, 5 down, 6 left, 7 right.
void Wheel(int button, int modifiers = 0)
{
    gui::Hold(modifiers, true);
    ASSERT_EQ(std::system(("xdotool click " + std::to_string(button)).c_str()), 0);
    gui::Pump(80);
    gui::Hold(modifiers, false);
}

TEST_F(Desktop, WheelScrollsByTensOfPixelsAndNeverClicks)
{
    if (std::system("command -v xdotool >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xdotool is not installed: no real wheel events to send";
    PictureScope picture(2000, 2000);
    const struct { int button, modifiers; wxPoint direction; } notches[] = {
        {5, 0, {0, 1}}, {4, 0, {0, -1}}, {7, 0, {1, 0}}, {6, 0, {-1, 0}},
        {5, wxMOD_SHIFT, {1, 0}}, {4, wxMOD_SHIFT, {-1, 0}},
    };
    for (const auto& n : notches) {
        SCOPED_TRACE(testing::Message() << "button " << n.button << " modifiers " << n.modifiers);
        Canvas()->Scroll(500, 500);
        gui::MoveTo(200, 200);
        Wheel(n.button, n.modifiers);
        wxPoint now;
        Canvas()->GetViewStart(&now.x, &now.y);
        const wxPoint moved = now - wxPoint(500, 500);
        const int along = moved.x * n.direction.x + moved.y * n.direction.y;
        EXPECT_EQ(along, WheelStep);
        EXPECT_EQ(moved.x * n.direction.y + moved.y * n.direction.x, 0);
    }
    // A notch that would pass the top stops there, whatever the distance left.
    Canvas()->Scroll(0, WheelStep - 1);
    Wheel(4);
    wxPoint top;
    Canvas()->GetViewStart(&top.x, &top.y);
    EXPECT_EQ(top, wxPoint(0, 0));

    // Nor does it end a drag: the band goes on through a notch.
    gui::MoveTo(100, 100);
    gui::Press(wxMOUSE_BTN_LEFT);
    gui::MoveTo(150, 150);
    Wheel(5);
    EXPECT_EQ(Window()->canvasHandler->mode, RubberBand);
    gui::MoveTo(200, 200);
    gui::Release(wxMOUSE_BTN_LEFT);
    EXPECT_EQ(Window()->canvasHandler->mode, Idle);
    EXPECT_EQ(Count(Statuses(), "Starting select."), 1);
    EXPECT_EQ(Count(Statuses(), "Selected point(s)."), 1);
    EXPECT_EQ(Doc()->GetTrackPath()->Count(), 0u);
}

TEST_F(Desktop, EachShortcutIsShownAndRunsOnceWhereverTheFocusIs)
{
    const std::string saveTo = "/tmp/vse-desktop-" + std::to_string(getpid()) + ".txt";
    // Open Spline and Open Image bring up dialogs: the file dialog test presses their keys.
    // Each starts with "first" undone and "second" to undo; runs() counts the command.
    const struct {
        wxMenu* menu;
        int id;
        char key;
        const char* label;  // before the tab
        int (*runs)();
    } shortcuts[] = {
        {Window()->fileMenu, ID_NEW_SPLINE, 'n', "&New Spline", [] { return int(Doc()->undoList.size()) - 1; }},
        {Window()->fileMenu, ID_SAVE_SPLINE, 's', "&Save Spline",
         [] { return Count(Statuses(), "Successfully saved spline."); }},
        {Window()->editMenu, ID_UNDO, 'z', "&Undo first", [] { return 1 - int(Doc()->undoList.size()); }},
        {Window()->editMenu, ID_REDO, 'y', "&Redo second", [] { return 1 - int(Doc()->redoList.size()); }},
    };
    wxWindow* const focusOn[] = {Canvas(), Window()->typeRadioBox};
    for (wxWindow* focus : focusOn) {
        for (const auto& s : shortcuts) {
            SCOPED_TRACE(testing::Message() << "Ctrl+" << s.key << (focus == Canvas() ? " on the canvas" : " on the radio box"));
            gui::ResetDocument();
            SetFileName(saveTo);
            Doc()->RecordCommand("first");
            Doc()->RecordCommand("second");
            Doc()->Undo();
            const wxString label = s.menu->GetLabel(s.id);
            EXPECT_EQ(label.BeforeLast('\t'), s.label);
            EXPECT_EQ(label.AfterLast('\t'), wxString("Ctrl+") + char(toupper(s.key)));
            ClearLogs();
            gui::MoveTo(300, 300);
            focus->SetFocus();
            gui::Pump(30);
            gui::Key(s.key, wxMOD_CONTROL);
            gui::Pump(50);
            EXPECT_EQ(s.runs(), 1);
        }
    }
    std::remove(saveTo.c_str());
    Canvas()->SetFocus();
}

TEST_F(Desktop, AltLetterOpensItsMenuFromTheCanvas)
{
    wxMenu* opened = nullptr;
    bool closed = false;
    MainFrame* frame = Window()->frame;
    const auto onOpen = [&](wxMenuEvent& e) { opened = e.GetMenu(); e.Skip(); };
    const auto onClose = [&](wxMenuEvent& e) { closed = true; e.Skip(); };
    frame->Bind(wxEVT_MENU_OPEN, onOpen);
    frame->Bind(wxEVT_MENU_CLOSE, onClose);
    const struct { char key; wxMenu* menu; } menus[] = {
        {'f', Window()->fileMenu}, {'e', Window()->editMenu}, {'h', Window()->helpMenu}};
    for (const auto& m : menus) {
        SCOPED_TRACE(m.key);
        opened = nullptr;
        closed = false;
        gui::MoveTo(300, 300);
        Canvas()->SetFocus();
        gui::Pump(30);
        gui::Key(m.key, wxMOD_ALT);
        for (int i = 0; i < 20 && !opened; ++i)
            gui::Pump(25);
        EXPECT_EQ(opened, m.menu);
        gui::Key(WXK_ESCAPE);
        for (int i = 0; i < 20 && !closed; ++i)
            gui::Pump(25);
        EXPECT_TRUE(closed);
    }
    frame->Unbind(wxEVT_MENU_OPEN, onOpen);
    frame->Unbind(wxEVT_MENU_CLOSE, onClose);
}

bool IsBand(const wxImage& image, int x, int y) { return gui::Near(image, x, y, Window()->canvasHandler->bandColour); }

// Pixels that differ between two shots, outside a w x h picture at the origin.
int ChangedOutside(const wxImage& a, const wxImage& b, int w, int h)
{
    int changed = 0;
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = (y < h ? w : 0); x < a.GetWidth(); ++x)
            changed += a.GetRed(x, y) != b.GetRed(x, y) || a.GetGreen(x, y) != b.GetGreen(x, y) ||
                       a.GetBlue(x, y) != b.GetBlue(x, y);
    return changed;
}

TEST_F(Desktop, WholeBandShowsBeyondASmallPictureAndGoesAgain)
{
    PictureScope picture(120, 100);
    const wxImage before = gui::CanvasScreenshot();
    gui::MoveTo(40, 40);
    gui::Press(wxMOUSE_BTN_LEFT);
    for (int i = 1; i <= 4; ++i)
        gui::MoveTo(40 + 65 * i, 40 + 50 * i);  // to (300, 240)
    wxImage shot = gui::CanvasScreenshot();
    const struct { int x, y; } edges[] = {{80, 40}, {200, 40}, {40, 70}, {40, 200}, {300, 150}, {200, 240}};
    for (const auto& e : edges)
        EXPECT_TRUE(IsBand(shot, e.x, e.y)) << e.x << "," << e.y;
    EXPECT_FALSE(IsBand(shot, 200, 150));  // outline only

    gui::MoveTo(200, 150);  // shrinking leaves nothing of the larger band
    shot = gui::CanvasScreenshot();
    EXPECT_TRUE(IsBand(shot, 200, 100));
    EXPECT_FALSE(IsBand(shot, 300, 150));
    EXPECT_FALSE(IsBand(shot, 250, 240));

    gui::Release(wxMOUSE_BTN_LEFT);
    shot = gui::CanvasScreenshot();
    EXPECT_EQ(ChangedOutside(before, shot, 120, 100), 0);
    EXPECT_FALSE(IsBand(shot, 80, 40));
    EXPECT_FALSE(IsBand(shot, 40, 70));
}

}  // namespace
