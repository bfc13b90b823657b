#include "support/Harness.h"

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include <dlfcn.h>

#include <wx/app.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/graphics.h>
#include <wx/radiobox.h>
#include <wx/statusbr.h>
#include <wx/uiaction.h>

#include "view/CanvasPainter.h"

LogCapture& LogCapture::Get()
{
    static LogCapture* capture = new LogCapture();  // owned by wxLog once installed
    return *capture;
}

void LogCapture::DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo&)
{
    if (level == wxLOG_Status && MainWindow::Exists())
        MainWindow::Instance()->frame->SetStatusText(msg);
    if (level == wxLOG_Status || level <= wxLOG_Warning)
        (level == wxLOG_Status ? statuses : errors).push_back(msg.utf8_string());
}

int AnswerFile::OnInvoked(wxFileDialog* dialog) const
{
    if (seen)
        *seen = {dialog->GetMessage(), dialog->GetDirectory(), dialog->GetFilterIndex(),
                 MainWindow::Instance()->frame->IsEnabled()};
    dialog->SetPath(path);
    dialog->SetFilterIndex(filter);
    for (int i = 0; i < 50 && dialog->GetPath() != path; ++i)
        gui::Pump(20);  // GTK takes the path over only once its chooser has had some events
    return id;
}

namespace gui {

static wxUIActionSimulator sim;

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

void ResetDocument()
{
    MainWindow* window = MainWindow::Instance();
    window->canvasHandler->mode = Idle;
    window->canvasHandler->modeStack.clear();
    Doc()->SetTrackPath(new TrackPath(), true);
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

void MoveTo(int x, int y)
{
    sim.MouseMove(MainWindow::Instance()->canvas->ClientToScreen(wxPoint(x, y)));
    Pump(30);
}

void Press(int button)
{
    // GTK makes a second press within 400 ms a double click, which is no press.
    static auto last = std::chrono::steady_clock::now() - std::chrono::seconds(1);
    while (std::chrono::steady_clock::now() < last + std::chrono::milliseconds(450))
        Pump(10);
    last = std::chrono::steady_clock::now();
    sim.MouseDown(button);
    Pump(30);
}

void Release(int button) { sim.MouseUp(button), Pump(30); }
void ClickAt(int x, int y, int button) { MoveTo(x, y), Press(button), Release(button); }
void Key(int key, int modifiers) { sim.Char(key, modifiers), Pump(40); }

void DragFromTo(int x0, int y0, int x1, int y1, int button)
{
    MoveTo(x0, y0);
    Press(button);
    for (int i = 1; i <= 5; ++i)
        MoveTo(x0 + (x1 - x0) * i / 5, y0 + (y1 - y0) * i / 5);
    Release(button);
}

void Hold(int modifiers, bool down)
{
    for (auto [bit, key] : {std::pair{int(wxMOD_CONTROL), WXK_CONTROL}, {int(wxMOD_SHIFT), WXK_SHIFT}})
        if (modifiers & bit)
            down ? sim.KeyDown(key) : sim.KeyUp(key);
    Pump(20);
}

wxImage CanvasScreenshot()
{
    TrackCanvas* canvas = MainWindow::Instance()->canvas;
    const wxRect rect(canvas->ClientToScreen(wxPoint(0, 0)), canvas->GetClientSize());
    wxScreenDC screen;
    // Cairo would hand out its snapshot of the last grab: mark the root surface changed.
    const auto target = reinterpret_cast<void* (*)(void*)>(dlsym(RTLD_DEFAULT, "cairo_get_target"));
    const auto dirty = reinterpret_cast<void (*)(void*)>(dlsym(RTLD_DEFAULT, "cairo_surface_mark_dirty"));
    if (wxGraphicsContext* gc = screen.GetGraphicsContext(); gc && target && dirty)
        dirty(target(gc->GetNativeContext()));
    wxBitmap bitmap(rect.width, rect.height, 24);
    wxMemoryDC memory(bitmap);
    memory.Blit(0, 0, rect.width, rect.height, &screen, rect.x, rect.y);
    memory.SelectObject(wxNullBitmap);
    return bitmap.ConvertToImage();
}

std::string StatusText() { return MainWindow::Instance()->frame->GetStatusBar()->GetStatusText(0).utf8_string(); }

}  // namespace gui

EditorDocument* Doc() { return EditorDocument::Instance(); }
TrackPath* Path() { return Doc()->GetTrackPath(); }
std::vector<TrackPoint*> Chain() { return {Path()->points.begin(), Path()->points.end()}; }
const std::vector<std::string>& Statuses() { return LogCapture::Get().statuses; }
const std::vector<std::string>& Errors() { return LogCapture::Get().errors; }
std::string Title() { return MainWindow::Instance()->frame->GetTitle().utf8_string(); }
void ClearLogs() { LogCapture::Get().statuses.clear(), LogCapture::Get().errors.clear(); }

std::vector<std::string> UndoNames()
{
    std::vector<std::string> names;
    for (const HistoryRecord* r : Doc()->undoList)
        names.insert(names.begin(), r->name);
    return names;
}

TrackPoint* Add(float x, float y, float w, int type)
{
    auto* p = new TrackPoint(x, y, w, type);
    return Path()->InsertPoint(p, nullptr) ? p : nullptr;
}

TrackPoint* AddAt(int px, int py, float w, bool selected)
{
    float x = 0, y = 0;
    PixelToWorld(px, py, x, y);
    TrackPoint* p = Add(x, y, w);
    if (selected)
        Doc()->Select(p);
    CanvasPainter::Instance()->Redraw();
    return p;
}

void SquarePictureTest::SetUp()
{
    gui::ResetDocument();
    Doc()->SetBackgroundBitmap(new wxBitmap(256, 256, 24));
}

std::vector<TrackPoint*> PointsAt(int x, int y)
{
    std::vector<TrackPoint*> out;
    Path()->FindPointsAt(128 + x, 128 - y, out);
    return out;
}

std::string Temp(const std::string& name)
{
    static const std::string dir = [] {
        char pattern[] = "/tmp/vse-test-XXXXXX";
        return std::string(mkdtemp(pattern));
    }();
    return name.empty() ? dir : dir + "/" + name;
}

std::string WriteFile(const std::string& name, const std::string& bytes)
{
    std::ofstream(Temp(name), std::ios::binary) << bytes;
    return Temp(name);
}

std::string ReadFile(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}
