#include "app/MainFrame.h"

#include <wx/filedlg.h>
#include <wx/log.h>
#include <wx/msgdlg.h>
#include <wx/radiobox.h>

#include "app/AppIds.h"
#include "app/FileCommands.h"
#include "app/MainWindow.h"
#include "editor/EditorDocument.h"
#include "editor/FileName.h"
#include "editor/FileOrigin.h"
#include "model/TrackPath.h"
#include "view/CanvasPainter.h"

wxBEGIN_EVENT_TABLE(MainFrame, wxFrame)
    EVT_MENU(ID_NEW_SPLINE, MainFrame::OnNewSpline)
    EVT_MENU(ID_OPEN_SPLINE, MainFrame::OnOpenSpline)
    EVT_MENU(ID_OPEN_IMAGE, MainFrame::OnOpenImage)
    EVT_MENU(ID_SAVE_SPLINE, MainFrame::OnSaveSpline)
    EVT_MENU(ID_SAVE_SPLINE_AS, MainFrame::OnSaveSplineAs)
    EVT_MENU(ID_EXIT, MainFrame::OnQuit)
    EVT_MENU(ID_UNDO, MainFrame::OnUndo)
    EVT_MENU(ID_REDO, MainFrame::OnRedo)
    EVT_MENU(ID_ABOUT, MainFrame::OnAbout)
    EVT_RADIOBOX(ID_TYPE_RADIOBOX, MainFrame::OnTypeChanged)
    EVT_DROP_FILES(MainFrame::OnDropFiles)
    EVT_CLOSE(MainFrame::OnClose)
wxEND_EVENT_TABLE()

namespace {

const char* const PathWildcard = "Track Path Files (*.txt)|*.txt|All Files|*.*";

// What one file dialog remembers for the rest of the run.
struct DialogMemory {
    wxString directory;
    int filterIndex = -1;
};

DialogMemory imageDialog, pathOpenDialog, pathSaveDialog;

// Runs a file dialog with the frame disabled; the chosen path, or empty on Cancel.
wxString AskForFile(DialogMemory& memory, const wxString& title, const wxString& wildcard, long style)
{
    wxFileDialog dialog(nullptr, title, memory.directory, wxEmptyString, wildcard, style);
    if (memory.filterIndex != -1)
        dialog.SetFilterIndex(memory.filterIndex);
    wxFrame* frame = MainWindow::Instance()->frame;
    frame->Enable(false);
    const int result = dialog.ShowModal();
    frame->Enable(true);
    if (result != wxID_OK)
        return wxEmptyString;
    memory.directory = dialog.GetDirectory();
    memory.filterIndex = dialog.GetFilterIndex();
    return dialog.GetPath();
}

void Repaint()
{
    CanvasPainter::Instance()->Redraw();
}

}  // namespace

MainFrame::MainFrame(wxWindow* parent, const wxString& title, int x, int y, int width, int height)
    : wxFrame(parent, wxID_ANY, title, wxPoint(x, y), wxSize(width, height), wxDEFAULT_FRAME_STYLE,
              "frame")
{
}

void MainFrame::UpdateTitle(const wxString& fileName)
{
    SetTitle(wxString::Format("VORN Spline Editor (%s)", fileName));
}

void MainFrame::OnNewSpline(wxCommandEvent&)
{
    EditorDocument* doc = EditorDocument::Instance();
    // Changes that New puts out of sight stay changes until they are saved or
    // let go: Undo brings them back.
    const bool unsaved = doc->HasUnsavedChanges();
    doc->RecordCommand("create-new-spline");
    auto* path = new TrackPath();
    SetFileName("noname.txt");
    doc->SetTrackPath(path, true);
    doc->origin = FileOrigin();
    if (unsaved)
        doc->origin.print.reset();
    Repaint();
}

void MainFrame::OnOpenSpline(wxCommandEvent&)
{
    const wxString path = AskForFile(pathOpenDialog, "Load Track Path File", PathWildcard, wxFD_OPEN);
    if (!path.empty())
        FileCommands::Instance()->LoadSpline(path.mb_str(wxConvFile));
}

void MainFrame::OnOpenImage(wxCommandEvent&)
{
    const wxString path =
        AskForFile(imageDialog, "Load Image",
                   "TGA Bitmaps (*.tga)|*.tga|Windows Bitmaps (*.bmp)|*.bmp|All Files|*.*", wxFD_OPEN);
    if (!path.empty())
        FileCommands::Instance()->LoadImageFile(path.mb_str(wxConvFile));
}

void MainFrame::OnSaveSpline(wxCommandEvent& event)
{
    TrackPath* path = EditorDocument::Instance()->GetTrackPath();
    // A path that holds only part of its file must not be written over that file.
    if (currentFileName.empty() || path->incomplete) {
        OnSaveSplineAs(event);
        return;
    }
    FileCommands::Instance()->SaveSpline(path, nullptr);
}

void MainFrame::OnSaveSplineAs(wxCommandEvent&)
{
    const wxString path = AskForFile(pathSaveDialog, "Save Track Path File", PathWildcard,
                                     wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (!path.empty())
        FileCommands::Instance()->SaveSpline(EditorDocument::Instance()->GetTrackPath(), path.mb_str(wxConvFile));
}

void MainFrame::OnQuit(wxCommandEvent&)
{
    Close(false);  // the question about unsaved changes may keep the window
}

void MainFrame::OnClose(wxCloseEvent& event)
{
    EditorDocument* doc = EditorDocument::Instance();
    if (doc->HasUnsavedChanges() && !event.CanVeto()) {
        FileCommands::Instance()->SaveUnsaved();
    } else if (doc->HasUnsavedChanges()) {
        wxMessageDialog question(this,
                                 wxString::Format("Save changes to %s before closing?",
                                                  wxFileNameFromPath(wxString(currentFileName.c_str(), *wxConvFileName))),
                                 GetTitle(), wxYES_NO | wxCANCEL | wxICON_QUESTION);
        question.SetYesNoCancelLabels("Save", "Close without Saving", "Cancel");
        const int answer = question.ShowModal();
        if (answer == wxID_YES) {
            wxCommandEvent none;
            if (doc->origin.onDisk)
                OnSaveSpline(none);
            else
                OnSaveSplineAs(none);  // never written: its name is no place the user chose
        }
        // Cancelled, or the save failed or was cancelled: the changes stay, and so does the window.
        if (answer == wxID_CANCEL || (answer == wxID_YES && doc->HasUnsavedChanges())) {
            event.Veto();
            return;
        }
    }
    Destroy();
}

void MainFrame::OnUndo(wxCommandEvent&)
{
    EditorDocument::Instance()->Undo();
    Repaint();
}

void MainFrame::OnRedo(wxCommandEvent&)
{
    EditorDocument::Instance()->Redo();
    Repaint();
}

void MainFrame::OnAbout(wxCommandEvent&)
{
    wxMessageBox("VornSplineEdit 1.01\n\nSend all comments to:\n  vornsplineedit@example.org",
                 "About VornSplineEdit", wxOK | wxICON_INFORMATION, nullptr);
}

void MainFrame::OnTypeChanged(wxCommandEvent&)
{
    MainWindow* window = MainWindow::Instance();
    window->SetPointType(window->typeRadioBox->GetSelection());
    wxLogStatus("Type changed to:  %s", window->typeRadioBox->GetStringSelection());
    Repaint();
}

void MainFrame::OnDropFiles(wxDropFilesEvent& event)
{
    const wxString* files = event.GetFiles();
    for (int i = 0; i < event.GetNumberOfFiles(); ++i)
        FileCommands::Instance()->OpenByExtension(files[i].mb_str(wxConvFile));
}
