// The canvas's key map and mouse gestures, driven by real X input on the real window.
#include "support/GuiDriver.h"

namespace {

// Points a, b, c... at canvas positions, the ones named in `selected` selected;
// Letters() names the points it is given, in their order.
struct Scene {
    Scene(std::vector<wxPoint> at, const std::string& selected, float w = 2) : at(at)
    {
        gui::ResetDocument();
        for (std::size_t i = 0; i < at.size(); ++i)
            named.push_back(AddAt(at[i].x, at[i].y, w, selected.find(char('a' + i)) != std::string::npos));
    }
    template <class Points> std::string Letters(const Points& points) const
    {
        std::string out;
        for (const TrackPoint* p : points)
            out += char('a' + (std::find(named.begin(), named.end(), p) - named.begin()));
        return out;
    }
    std::vector<wxPoint> at;
    Points named;
};

// Each key, pressed for real with the pointer over b, and each gesture, sent straight
// to the handler, does its command and writes its status lines, in its words, and
// nothing else. A 256 x 256 picture, where pixel (x, y) is world (x - 128, 128 - y).
TEST(Commands, EachKeyAndGestureDoesItsCommandAndWritesItsLines)
{
    using namespace InputFlags;
    static const auto mouse = [](int x, int y, int flags) { MainWindow::Instance()->canvasHandler->HandleMouse(x, y, x, y, flags); };
    static const auto click = [](int button, int x, int y) { mouse(x, y, Press | button), mouse(x, y, Release | button); };
    static const auto drag = [](int button, int x, int y, int dx, int dy) {
        mouse(x, y, Press | button), mouse(x + dx, y + dy, Motion | button), mouse(x + dx, y + dy, Release | button);
    };
    const Strings deleted = {"Point:     0.00,   0.00 (w =    2.00)", "Deleted selected points."};
    const struct {
        int key, modifiers;
        void (*gesture)();
        const char *chain, *undo;  // afterwards: the chain of a, b (selected) and c; the newest record
        Strings written;
        float w = 2;   // b's width
        int type = 0;  // b's type and the radio box's choice
    } cases[] = {  // w, n, r and d are pressed in the Wayland run; upper case is Shift and the letter
        {'d', 0, nullptr, "ac", "delete", deleted}, {'d', wxMOD_SHIFT, nullptr, "ac", "delete", deleted},
        {WXK_DELETE, 0, nullptr, "ac", "delete", deleted}, {'f', wxMOD_SHIFT, nullptr, "bca", "set-start", {}},
        {'f', 0, nullptr, "bca", "set-start", {}}, {'r', wxMOD_SHIFT, nullptr, "acb", "reverse-direction", {}},
        {'r', 0, nullptr, "acb", "reverse-direction", {}}, {'d', wxMOD_ALT, nullptr, "abc", "", {}},
        {WXK_TAB, 0, nullptr, "abc", "", {"Changed point type to:  1"}, 2, 1},
        {WXK_UP, 0, nullptr, "abc", "", {"Point:     0.00,   0.00 (w = 2.50)"}, 2.5},
        {WXK_DOWN, 0, nullptr, "abc", "", {"Point:     0.00,   0.00 (w = 1.50)"}, 1.5},
        {'s', 0, nullptr, "abc", "", {"Point:     0.00,   0.00 (w = 1.50)"}, 1.5},
        {'w', wxMOD_SHIFT, nullptr, "abc", "", {"Unregonized key-code:  87 (W)"}},
        {'q', wxMOD_CONTROL, nullptr, "abc", "", {}}, {'n', wxMOD_CONTROL, nullptr, "", "create-new-spline", {}},
        {'u', wxMOD_CONTROL, nullptr, "abc", "unknown", {}},
        {WXK_F10, 0, nullptr, "abc", "", {"Unregonized key-code:  349 (])"}},  // and the File menu opens
        {0, 0, [] { mouse(128, 28, Motion), mouse(128, 28, Leave); }, "abc", "", {"x,y =    0.00, 100.00", ""}},
        {0, 0, [] { drag(Left, 128, 28, 20, 20); }, "abc", "select",
         {"Starting select.", "dx,dy =   20.00,  20.00", "Selected point(s).", "All points unselected."}},
        {0, 0, [] { click(Left, 128, 28); }, "abcd", "create-point", {"Starting select.",
         "Created new point at:     0.00, 100.00", "All points unselected.", "Point:     0.00, 100.00 (w =    2.00)"}},
        // A release away from the last motion (one merged away) moves there first.
        {0, 0, [] { mouse(128, 128, Press | Left), mouse(138, 118, Motion | Left), mouse(148, 118, Release | Left); }, "abc", "move",
         {"Starting move.", "dx,dy =   10.00, -10.00", "dx,dy =   20.00, -10.00", "Finished move."}},
        {0, 0, [] { drag(Right, 128, 28, -10, 10); }, "abc", "",
         {"Start panning.", "dx,dy =  -10.00,  10.00", "Finished panning."}},
        {0, 0, [] { click(Right, 128, 28); }, "abc", "unselect-all",
         {"Start panning.", "Finished panning.", "All points unselected."}},
        {0, 0, [] { Doc()->RecordCommand("step"); for (int id : {ID_UNDO, ID_UNDO, ID_REDO, ID_REDO}) gui::Command(id); },
         "abc", "step", {"Undid:  step", "No more undo!", "Redid:  step", "No more redo!"}},
        {0, 0, [] {
             wxCommandEvent choice(wxEVT_RADIOBOX, ID_TYPE_RADIOBOX);
             MainWindow::Instance()->typeRadioBox->SetSelection(2), MainWindow::Instance()->frame->ProcessWindowEvent(choice);
         }, "abc", "", {"Changed point type to:  2", "Type changed to:  Curve"}, 2, 2},
    };
    static int menus = 0;  // File menus open
    for (auto [type, step] : {std::pair{wxEVT_MENU_OPEN, 1}, {wxEVT_MENU_CLOSE, -1}})
        MainWindow::Instance()->frame->Bind(type, [step = step](wxMenuEvent& e) {
            menus += e.GetMenu() == MainWindow::Instance()->fileMenu ? step : 0, e.Skip();
        });
    PictureScope picture(256, 256);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "row " << &c - cases);
        Scene scene({{28, 128}, {128, 128}, {228, 128}}, "b");
        gui::MoveTo(128, 128);
        ClearLogs();
        c.gesture ? c.gesture() : gui::Key(c.key, c.modifiers);
        EXPECT_EQ(Statuses(), c.written);
        EXPECT_EQ(menus, c.key == WXK_F10);
        if (menus)
            gui::Key(WXK_ESCAPE);  // closes it
        EXPECT_EQ(menus, 0);
        EXPECT_EQ(scene.Letters(Chain()), c.chain);
        EXPECT_EQ(UndoNames().empty() ? "" : UndoNames().back(), c.undo);
        EXPECT_TRUE(!std::strchr(c.chain, 'b') || (scene.named[1]->w == c.w && scene.named[1]->type == c.type));  // b, if alive
        EXPECT_EQ(MainWindow::Instance()->typeRadioBox->GetSelection(), c.type);
        EXPECT_TRUE(gui::ShowsItAll()) << "not repainted";
    }
}

TEST(MouseGestures, PressesClicksDragsAndTheWheelSelectMoveAndScroll)
{
    const wxPoint n(0, 0), at(300, 300);  // a click when from and to are the same
    const struct {
        int button, modifiers;
        wxPoint from, to;
        const char *selected, *moved;  // of a, b, c, d (b and c start selected); moved by to - from
        Strings undo;
        wxPoint view;  // where the view starts afterwards
    } cases[] = {
        {wxMOUSE_BTN_LEFT, 0, {100, 100}, {160, 130}, "ad", "ad", {"move"}, n},  // a and d lie close
        {wxMOUSE_BTN_LEFT, 0, {320, 100}, {340, 120}, "bc", "bc", {"move"}, n},
        {wxMOUSE_BTN_LEFT, wxMOD_CONTROL, {320, 100}, {320, 100}, "b", "", {"move"}, n},
        {wxMOUSE_BTN_LEFT, wxMOD_CONTROL, {100, 100}, {100, 100}, "abcd", "", {"move"}, n},
        {wxMOUSE_BTN_LEFT, 0, {85, 85}, {120, 120}, "ad", "", {"select"}, n},
        {wxMOUSE_BTN_LEFT, 0, {120, 120}, {85, 85}, "ad", "", {"select"}, n},
        {wxMOUSE_BTN_LEFT, wxMOD_CONTROL, {335, 115}, {305, 85}, "b", "", {"select"}, n},
        {wxMOUSE_BTN_LEFT, 0, {200, 400}, {202, 400}, "", "", {"select"}, n},  // two pixels: a band, no click
        {wxMOUSE_BTN_RIGHT, 0, at, {200, 250}, "bc", "", {}, {100, 50}},  // a pan
        {wxMOUSE_BTN_MIDDLE, 0, {100, 100}, {140, 140}, "bc", "", {}, n},  // the middle button does nothing
        {5, 0, at, at, "bc", "", {}, {0, 40}}, {7, 0, at, at, "bc", "", {}, {40, 0}},
        {5, wxMOD_SHIFT, at, at, "bc", "", {}, {40, 0}}, {4, 0, at, at, "bc", "", {}, n}, {6, 0, at, at, "bc", "", {}, n},
    };
    PictureScope picture(1200, 1200);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "button " << c.button << " from " << c.from.x << "," << c.from.y);
        Scene scene({{100, 100}, {300, 300}, {320, 100}, {104, 103}}, "bc", 3);
        gui::Drag(c.from, c.to, c.button, c.modifiers);
        scene.named.resize(5, Chain().back());  // e: a new point, if one was made
        std::string selected = scene.Letters(Doc()->selection);
        std::sort(selected.begin(), selected.end());
        EXPECT_EQ(selected, c.selected);
        for (std::size_t i = 0; i < scene.at.size(); ++i) {
            const bool moved = std::string(c.moved).find(char('a' + i)) != std::string::npos;
            const wxPoint want = scene.at[i] + (moved ? c.to - c.from : wxPoint());
            wxPoint got;
            Doc()->Mapping().WorldToPixel(scene.named[i]->x, scene.named[i]->y, got.x, got.y);
            EXPECT_TRUE(std::abs(got.x - want.x) <= 1 && std::abs(got.y - want.y) <= 1) << char('a' + i);
        }
        EXPECT_EQ(UndoNames(), c.undo);
        EXPECT_EQ(MainWindow::Instance()->canvas->GetViewStart(), c.view);
        EXPECT_EQ(MainWindow::Instance()->canvasHandler->mode, Idle);
        EXPECT_TRUE(gui::ShowsItAll()) << "not repainted";
    }
    // A notch that would pass the top stops there, whatever the distance left.
    MainWindow::Instance()->canvas->Scroll(0, 39);
    gui::ClickAt(300, 300, 4);
    EXPECT_EQ(MainWindow::Instance()->canvas->GetViewStart(), n);
    // A click makes a point, selected alone and highlighted until the mouse leaves the canvas.
    gui::ClickAt(200, 400);
    EXPECT_TRUE(Chain().back()->IsHighlighted() && Doc()->selection == std::set<TrackPoint*>{Chain().back()});
    EXPECT_EQ(UndoNames(), (Strings{"select", "create-point"}));
    gui::MoveTo(-40, 200);
    EXPECT_FALSE(Chain().back()->IsHighlighted());
}

}  // namespace
