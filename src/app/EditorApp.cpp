#include "app/EditorApp.h"

#include <wx/image.h>

#include "app/FileCommands.h"
#include "app/MainFrame.h"
#include "app/MainWindow.h"
#include "editor/EditorDocument.h"
#include "io/Platform.h"
#include "view/CanvasPainter.h"

wxBEGIN_EVENT_TABLE(EditorApp, wxApp)
    EVT_QUERY_END_SESSION(EditorApp::OnQueryEndSession)
    EVT_END_SESSION(EditorApp::OnEndSession)
wxEND_EVENT_TABLE()

bool EditorApp::OnInit()
{
#ifdef __WXMSW__
    // File names pass through the program as char strings; on Windows these
    // hold UTF-8, which the platform layer widens for the system's calls, so
    // that any name the system allows can be opened and shown.
    wxConvFileName = &wxConvUTF8;
#endif
    // Unsaved work must not end with the program because a reader went away.
    platform::IgnoreBrokenPipes();
    EditorDocument::Create(nullptr);
    FileCommands::Create(nullptr);
    CanvasPainter::Create(nullptr);
    MainWindow::Create(nullptr);
    EditorDocument::Instance()->host = MainWindow::Instance();

    for (int i = 1; i < argc; ++i)
        FileCommands::Instance()->OpenByExtension(argv[i].mb_str(wxConvFile));

    SetTopWindow(MainWindow::Instance()->frame);
    MainWindow::Instance()->frame->Show(true);
    return true;
}

int EditorApp::OnExit()
{
    if (EditorDocument::Exists())
        EditorDocument::Instance()->host = nullptr;
    MainWindow::Destroy();
    EditorDocument::Destroy();
    FileCommands::Destroy();
    CanvasPainter::Destroy();
    return 1;
}

void EditorApp::OnQueryEndSession(wxCloseEvent& event)
{
    wxWindow* frame = GetTopWindow();  // none once the window has closed
    if (frame && !event.CanVeto())
        FileCommands::Instance()->SaveUnsaved();
    else if (frame && !frame->Close(false))
        event.Veto();
}

void EditorApp::OnEndSession(wxCloseEvent& event)
{
    if (GetTopWindow())
        FileCommands::Instance()->SaveUnsaved();
    event.Skip();  // the toolkit's own ending, where it has one
}
