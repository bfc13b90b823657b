#pragma once

// The real window, driven by real X input, and its file dialogs answered.
#include <chrono>
#include <cstdlib>
#include <thread>

#ifdef __WXGTK__
#include <dlfcn.h>
#endif

#include <wx/filename.h>
#include <wx/graphics.h>
#include <wx/uiaction.h>
#include <wx/wx.h>

#include "app/AppIds.h"
#include "app/FileCommands.h"
#include "app/MainFrame.h"
#include "app/MainPanel.h"
#include "app/MainWindow.h"
#include "app/TrackCanvas.h"
#include "editor/FileName.h"
#include "support/DocumentHarness.h"
#include "support/TestFiles.h"
#include "view/CanvasHandler.h"
#include "view/CanvasPainter.h"
#include "view/InputFlags.h"

#include <wx/testing.h>

namespace gui {

inline void Pump(int milliseconds = 50)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    do {
        wxTheApp->ProcessPendingEvents();
        while (wxTheApp->Pending())
            wxTheApp->Dispatch();
        wxTheApp->ProcessIdle();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (std::chrono::steady_clock::now() < end);
}

// Empty path and history, Straight, view at the origin, idle handler, no captured logs.
inline void ResetDocument()
{
    MainWindow* window = MainWindow::Instance();
    window->canvasHandler->mode = Idle;
    window->canvasHandler->modeStack.clear();
    Doc()->SetTrackPath(new TrackPath(), true);
    SetFileName("noname.txt");
    Doc()->origin = FileOrigin();
    for (auto* list : {&Doc()->undoList, &Doc()->redoList}) {
        for (HistoryRecord* r : *list)
            delete r;
        list->clear();
    }
    window->UpdateUndoLabel("");
    window->UpdateRedoLabel("");
    window->typeRadioBox->SetSelection(0);
    window->canvas->Scroll(0, 0);
    window->canvas->SetFocus();
    Pump(30);
    ClearLogs();
}

// Real X input at canvas client positions.
inline wxUIActionSimulator& Sim() { static wxUIActionSimulator sim; return sim; }  // made once the display is open

inline void MoveTo(int x, int y)
{
    Sim().MouseMove(MainWindow::Instance()->canvas->ClientToScreen(wxPoint(x, y)));
    Pump(30);
}

inline void Press(int button = wxMOUSE_BTN_LEFT)
{
    // GTK makes a second press within 400 ms a double click, which is no press.
    static auto last = std::chrono::steady_clock::now() - std::chrono::seconds(1);
    while (std::chrono::steady_clock::now() < last + std::chrono::milliseconds(450))
        Pump(10);
    last = std::chrono::steady_clock::now();
    Sim().MouseDown(button);
    Pump(30);
}

inline void Release(int button = wxMOUSE_BTN_LEFT) { Sim().MouseUp(button), Pump(30); }
inline void Key(int key, int modifiers = 0) { Sim().Char(key, modifiers), Pump(40); }

// A drag in five steps, or a click where it ends where it starts, with Control and
// Shift held as asked; X buttons 4 to 7 are wheel notches up, down, left and right.
inline void Drag(wxPoint from, wxPoint to, int button = wxMOUSE_BTN_LEFT, int modifiers = 0)
{
    const std::pair<int, int> held[] = {{wxMOD_CONTROL, WXK_CONTROL}, {wxMOD_SHIFT, WXK_SHIFT}};
    for (auto [bit, key] : held)
        if (modifiers & bit)
            Sim().KeyDown(key), Pump(20);
    MoveTo(from.x, from.y);
    if (button >= 4) {
        EXPECT_EQ(std::system(("xdotool click " + std::to_string(button)).c_str()), 0) << "xdotool is needed for the wheel";
        Pump(80);
    } else {
        Press(button);
        for (int i = 1; from != to && i <= 5; ++i)
            MoveTo(from.x + (to.x - from.x) * i / 5, from.y + (to.y - from.y) * i / 5);
        Release(button);
    }
    for (auto [bit, key] : held)
        if (modifiers & bit)
            Sim().KeyUp(key), Pump(20);
}
inline void ClickAt(int x, int y, int button = wxMOUSE_BTN_LEFT) { Drag({x, y}, {x, y}, button); }

// What the screen shows over the canvas, after the paints already asked for.
inline wxImage CanvasScreenshot()
{
    TrackCanvas* canvas = MainWindow::Instance()->canvas;
    canvas->Update();
    const wxRect rect(canvas->ClientToScreen(wxPoint(0, 0)), canvas->GetClientSize());
    wxScreenDC screen;
#ifdef __WXGTK__
    // Cairo would hand out its snapshot of the last grab: mark the root surface
    // changed, or the grab would prove nothing.
    const auto target = reinterpret_cast<void* (*)(void*)>(dlsym(RTLD_DEFAULT, "cairo_get_target"));
    const auto dirty = reinterpret_cast<void (*)(void*)>(dlsym(RTLD_DEFAULT, "cairo_surface_mark_dirty"));
    wxGraphicsContext* gc = screen.GetGraphicsContext();
    if (!gc || !target || !dirty) {
        ADD_FAILURE() << "cannot make the screen grab see the screen anew";
        return wxImage();
    }
    dirty(target(gc->GetNativeContext()));
#endif
    // In device pixels: a bitmap of the window's scale takes them all.
    wxBitmap bitmap;
    bitmap.CreateWithDIPSize(rect.GetSize(), canvas->GetContentScaleFactor(), 24);
    wxMemoryDC memory(bitmap);
    memory.Blit(0, 0, rect.width, rect.height, &screen, rect.x, rect.y);
    memory.SelectObject(wxNullBitmap);
    return bitmap.ConvertToImage();
}

// Whether the canvas already shows what a full repaint shows. In between, a
// canary colour over the whole canvas must show in a grab, so that a grab that
// does not see the screen, or a repaint that leaves a part out, cannot pass.
inline bool ShowsItAll()
{
    TrackCanvas* canvas = MainWindow::Instance()->canvas;
    // Within the canvas's frame only: the toolkit draws the frame's rounded corners
    // over the canvas on its own repaints, anti-aliased over whatever lay there.
    const int frame = 6 * int(canvas->GetContentScaleFactor());
    const auto same = [frame](const wxImage& a, const wxImage& b) {
        const int w = a.GetWidth();
        for (int y = frame; a.IsOk() && a.GetSize() == b.GetSize() && y < a.GetHeight() - frame; ++y)
            if (std::memcmp(a.GetData() + 3 * (y * w + frame), b.GetData() + 3 * (y * w + frame), 3 * (w - 2 * frame)))
                return false;
        return a.IsOk() && a.GetSize() == b.GetSize();
    };
    const wxImage shown = CanvasScreenshot();
    wxImage canary(shown.GetSize());
    canary.SetRGB(wxRect(canary.GetSize()), 255, 0, 255);
    {
        wxClientDC dc(canvas);
        dc.SetBackground(wxBrush(wxColour(255, 0, 255))), dc.Clear();
    }
    EXPECT_TRUE(same(CanvasScreenshot(), canary)) << "the grab does not show the canary";
    CanvasPainter::Instance()->RedrawAll();
    const wxImage full = CanvasScreenshot();
    if (same(shown, full))
        return true;
    static int mismatches = 0;  // kept beside the test program for a person to look at
    const wxString name = wxString::Format("canvas-mismatch-%d", ++mismatches);
    shown.SaveFile(name + "-shown.png", wxBITMAP_TYPE_PNG), full.SaveFile(name + "-full.png", wxBITMAP_TYPE_PNG);
    ADD_FAILURE() << "the canvas differs from a full repaint; see " << name << "-*.png";
    return false;
}

// Lines may be anti-aliased: some pixel within r of (x, y) must carry about the colour.
inline bool Near(const wxImage& image, int x, int y, const wxColour& c, int r = 1)
{
    for (int j = y - r; j <= y + r; ++j)
        for (int i = x - r; i <= x + r; ++i)
            if (std::abs(image.GetRed(i, j) - c.Red()) < 40 && std::abs(image.GetGreen(i, j) - c.Green()) < 40 &&
                std::abs(image.GetBlue(i, j) - c.Blue()) < 40)
                return true;
    return false;
}

inline void Command(int id)
{
    wxCommandEvent event(wxEVT_MENU, id);
    MainWindow::Instance()->frame->GetEventHandler()->ProcessEvent(event);
    Pump(30);
}

}  // namespace gui

inline std::string Title() { return MainWindow::Instance()->frame->GetTitle().utf8_string(); }

// Answers a file dialog with a path and a filter; notes the title, the directory and
// the filter it came up with.
class AnswerFile : public wxExpectModalBase<wxFileDialog, AnswerFile> {
public:
    AnswerFile(const wxString& path, int filter = 0, int id = wxID_OK) : path(path), filter(filter), id(id) {}
    static inline struct { wxString title, directory; int filter; } seen;
    int OnInvoked(wxFileDialog* dialog) const override
    {
        seen = {dialog->GetMessage(), dialog->GetDirectory(), dialog->GetFilterIndex()};
        dialog->SetPath(path);
        dialog->SetFilterIndex(filter);
        for (int i = 0; i < 50 && dialog->GetPath() != path; ++i)
            gui::Pump(20);  // GTK takes the path over only once its chooser has had some events
        return id;
    }
    wxString path;
    int filter, id;
};

// While it lives: a black w x h picture (none given: the picture as it is) with the
// canvas scrolling over it; the picture and scroll area of before come back after.
class PictureScope {
public:
    explicit PictureScope(int w = 0, int h = 0) : saved(*Doc()->GetBackgroundBitmap()), area(MainWindow::Instance()->canvas->GetVirtualSize())
    {
        if (w)
            Show(wxBitmap(wxImage(w, h)), {w, h});  // made black
    }
    ~PictureScope() { Show(saved, area); }

private:
    static void Show(const wxBitmap& picture, wxSize scrolled)
    {
        Doc()->SetBackgroundBitmap(new wxBitmap(picture));
        MainWindow::Instance()->canvas->SetScrollbars(1, 1, scrolled.x, scrolled.y, 0, 0);
        gui::Pump(50);
    }
    wxBitmap saved;
    wxSize area;
};

// A point at a canvas position of the window's picture, put in without touching the history.
inline TrackPoint* AddAt(int px, int py, float w = 3.0f, bool selected = false)
{
    float x = 0, y = 0;
    Doc()->Mapping().PixelToWorld(px, py, x, y);
    TrackPoint* p = Add(x, y, w);
    if (selected)
        Doc()->Select(p);
    CanvasPainter::Instance()->Redraw();
    return p;
}
