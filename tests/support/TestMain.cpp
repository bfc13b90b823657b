// Runs the tests inside the real application: EditorApp's start-up builds the
// real main window, which is shown before the first test.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/init.h>

#include "app/EditorApp.h"
#include "support/GuiDriver.h"
#include "support/LogCapture.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);

    wxApp::SetInstance(new EditorApp());
    int wxArgc = 1;
    char* wxArgv[] = {argv[0], nullptr};
    if (!wxEntryStart(wxArgc, wxArgv))
        return 2;
    wxInitAllImageHandlers();
    // The tests pump events themselves, so an event loop must be active.
    wxGUIEventLoop loop;
    wxEventLoopActivator activate(&loop);
    wxLog::SetActiveTarget(&LogCapture::Get());
    wxTheApp->CallOnInit();
    gui::WaitForWindow();

    const int result = RUN_ALL_TESTS();

    wxTheApp->OnExit();
    wxLog::SetActiveTarget(nullptr);
    wxEntryCleanup();
    return result;
}
