// Runs the tests inside the real application: its start-up builds and shows the
// real main window before the first test.
#include <wx/evtloop.h>
#include <wx/init.h>

#include "app/EditorApp.h"
#include "support/GuiDriver.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // A failed assertion of the toolkit, a dialog's unmet expectation among them, fails the test instead of waiting in a box.
    wxSetAssertHandler([](const wxString&, int, const wxString&, const wxString& cond, const wxString& msg) {
        ADD_FAILURE() << cond.utf8_string() << ": " << msg.utf8_string();
    });
#ifdef __WXGTK__
    setenv("GTK_OVERLAY_SCROLLING", "0", 1);  // scroll bars beside the canvas, not fading in and out over it
#endif
    wxApp::SetInstance(new EditorApp());
    char* wxArgv[] = {argv[0], nullptr};
    if (int wxArgc = 1; !wxEntryStart(wxArgc, wxArgv))
        return 2;
    wxInitAllImageHandlers();
    wxGUIEventLoop loop;  // the tests pump events themselves
    wxEventLoopActivator activate(&loop);
    wxLog::SetActiveTarget(&LogCapture::Get());
    wxTheApp->CallOnInit();
    LogCapture::Get().statusBar = [](const wxString& text) { MainWindow::Instance()->frame->SetStatusText(text); };
    for (int i = 0; i < 200 && !MainWindow::Instance()->frame->GetTitle().Contains("("); ++i)
        gui::Pump(20);  // until shown and painted once
    gui::Pump(200);
    const int result = RUN_ALL_TESTS();
    LogCapture::Get().statusBar = nullptr;
    wxTheApp->OnExit();
    wxLog::SetActiveTarget(nullptr);
    wxEntryCleanup();
    return result;
}
