#include "support/GuiDriver.h"

#include <chrono>
#include <thread>

#include <dlfcn.h>

#include <wx/app.h>
#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/graphics.h>
#include <wx/image.h>
#include <wx/radiobox.h>
#include <wx/statusbr.h>
#include <wx/uiaction.h>

#include "app/MainFrame.h"
#include "app/MainWindow.h"
#include "app/TrackCanvas.h"
#include "editor/EditorDocument.h"
#include "editor/FileName.h"
#include "editor/HistoryRecord.h"
#include "model/TrackPath.h"
#include "support/LogCapture.h"
#include "view/CanvasHandler.h"

namespace gui {

namespace {

wxUIActionSimulator& Sim()
{
    static wxUIActionSimulator sim;
    return sim;
}

wxPoint ToScreen(int clientX, int clientY)
{
    return MainWindow::Instance()->canvas->ClientToScreen(wxPoint(clientX, clientY));
}

}  // namespace

void Pump(int milliseconds)
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

void WaitForWindow()
{
    MainFrame* frame = MainWindow::Instance()->frame;
    for (int i = 0; i < 200 && !(frame->IsShownOnScreen() && frame->GetTitle().Contains("(")); ++i)
        Pump(20);
    Pump(200);
}

void ResetDocument()
{
    MainWindow* window = MainWindow::Instance();
    EditorDocument* doc = EditorDocument::Instance();
    CanvasHandler* handler = window->canvasHandler;
    handler->mode = Idle;
    handler->modeStack.clear();
    doc->SetTrackPath(new TrackPath(), true);
    SetFileName("noname.txt");
    for (HistoryRecord* r : doc->undoList)
        delete r;
    doc->undoList.clear();
    for (HistoryRecord* r : doc->redoList)
        delete r;
    doc->redoList.clear();
    window->UpdateUndoLabel("");
    window->UpdateRedoLabel("");
    window->typeRadioBox->SetSelection(0);
    window->canvas->Scroll(0, 0);
    window->canvas->SetFocus();
    Pump(30);
    LogCapture::Get().Clear();
}

void MoveTo(int clientX, int clientY)
{
    const wxPoint p = ToScreen(clientX, clientY);
    Sim().MouseMove(p);
    Pump(30);
}

void Press(int button)
{
    // GTK turns a second press within its double-click time (400 ms) into a double
    // click, which is no press at all; tests that press twice mean two presses.
    using namespace std::chrono;
    static steady_clock::time_point lastPress;
    const auto wait = duration_cast<milliseconds>(lastPress + milliseconds(450) - steady_clock::now());
    if (wait.count() > 0)
        Pump(int(wait.count()) + 1);
    lastPress = steady_clock::now();
    Sim().MouseDown(button);
    Pump(30);
}

void Release(int button)
{
    Sim().MouseUp(button);
    Pump(30);
}

void ClickAt(int clientX, int clientY, int button)
{
    MoveTo(clientX, clientY);
    Press(button);
    Release(button);
}

void DragFromTo(int x0, int y0, int x1, int y1, int button, int steps)
{
    MoveTo(x0, y0);
    Press(button);
    for (int i = 1; i <= steps; ++i)
        MoveTo(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps);
    Release(button);
}

void Key(int keyCode, int modifiers)
{
    Sim().Char(keyCode, modifiers);
    Pump(40);
}

void HoldModifiers(int modifiers)
{
    if (modifiers & wxMOD_CONTROL)
        Sim().KeyDown(WXK_CONTROL);
    if (modifiers & wxMOD_SHIFT)
        Sim().KeyDown(WXK_SHIFT);
    Pump(20);
}

void ReleaseModifiers(int modifiers)
{
    if (modifiers & wxMOD_CONTROL)
        Sim().KeyUp(WXK_CONTROL);
    if (modifiers & wxMOD_SHIFT)
        Sim().KeyUp(WXK_SHIFT);
    Pump(20);
}

namespace {

wxBitmap GrabScreen(const wxRect& rect)
{
    wxScreenDC screen;
    // Cairo keeps a snapshot of the root window's surface from the last grab and
    // would hand it out again: mark the surface changed so the grab reads the screen.
    using GetTarget = void* (*)(void*);
    using MarkDirty = void (*)(void*);
    const auto target = reinterpret_cast<GetTarget>(dlsym(RTLD_DEFAULT, "cairo_get_target"));
    const auto markDirty = reinterpret_cast<MarkDirty>(dlsym(RTLD_DEFAULT, "cairo_surface_mark_dirty"));
    if (wxGraphicsContext* gc = screen.GetGraphicsContext(); gc && target && markDirty)
        markDirty(target(gc->GetNativeContext()));
    wxBitmap bitmap(rect.width, rect.height, 24);
    wxMemoryDC memory(bitmap);
    memory.Blit(0, 0, rect.width, rect.height, &screen, rect.x, rect.y);
    memory.SelectObject(wxNullBitmap);
    return bitmap;
}

}  // namespace

wxImage CanvasScreenshot()
{
    TrackCanvas* canvas = MainWindow::Instance()->canvas;
    const wxSize size = canvas->GetClientSize();
    const wxPoint origin = canvas->ClientToScreen(wxPoint(0, 0));
    return GrabScreen(wxRect(origin, size)).ConvertToImage();
}

void SaveFrameScreenshot(const std::string& path)
{
    MainFrame* frame = MainWindow::Instance()->frame;
    GrabScreen(frame->GetScreenRect()).SaveFile(path, wxBITMAP_TYPE_PNG);
}

std::string StatusText()
{
    return MainWindow::Instance()->frame->GetStatusBar()->GetStatusText(0).utf8_string();
}

}  // namespace gui
