#include "StartupChild.h"

#include <cstring>

#include <unistd.h>
#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/init.h>

#include "app/EditorApp.h"
#include "app/MainWindow.h"
#include "app/TrackCanvas.h"

namespace {

bool painted = false;

void WatchFirstPaint(wxWindow* window)
{
    window->Bind(wxEVT_PAINT, [](wxPaintEvent& event) {
        painted = true;
        event.Skip();  // the window still paints as it always does
    });
}

class BareApp : public wxApp {
public:
    bool OnInit() override
    {
        auto* frame = new wxFrame(nullptr, wxID_ANY, "bare", wxPoint(50, 50), wxSize(600, 600));
        auto* canvas = new wxWindow(frame, wxID_ANY);
        canvas->Bind(wxEVT_PAINT, [canvas](wxPaintEvent&) {
            painted = true;
            wxPaintDC dc(canvas);
            dc.Clear();
        });
        frame->Centre();
        frame->Show(true);
        return true;
    }
};

}  // namespace

int RunStartupChild(const char* what)
{
    const bool app = std::strcmp(what, "app") == 0;
    wxApp::SetInstance(app ? static_cast<wxApp*>(new EditorApp()) : new BareApp());
    int argc = 1;
    char name[] = "vsebench";
    char* argv[] = {name, nullptr};
    if (!wxEntryStart(argc, argv))
        return 2;
    wxGUIEventLoop loop;
    wxEventLoopActivator activate(&loop);
    if (!wxTheApp->CallOnInit())
        return 3;
    if (app)
        WatchFirstPaint(MainWindow::Instance()->canvas);
    while (!painted && loop.Dispatch()) {
    }
    ::_exit(0);  // both children skip teardown alike
}
