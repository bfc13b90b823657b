#pragma once

#include <wx/frame.h>

class wxDropFilesEvent;

// The top-level window; carries the menu, radio-box and drop-files handlers.
class MainFrame : public wxFrame {
public:
    MainFrame(wxWindow* parent, const wxString& title, int x, int y, int width, int height);

    // Shows "VORN Spline Editor (name)".
    void UpdateTitle(const wxString& fileName);

    void OnNewSpline(wxCommandEvent& event);
    void OnOpenSpline(wxCommandEvent& event);
    void OnOpenImage(wxCommandEvent& event);
    void OnSaveSpline(wxCommandEvent& event);
    void OnSaveSplineAs(wxCommandEvent& event);
    void OnQuit(wxCommandEvent& event);
    void OnUndo(wxCommandEvent& event);
    void OnRedo(wxCommandEvent& event);
    void OnAbout(wxCommandEvent& event);
    void OnTypeChanged(wxCommandEvent& event);
    void OnDropFiles(wxDropFilesEvent& event);
    // Asks about unsaved changes before the window goes, unless it must go.
    void OnClose(wxCloseEvent& event);

private:
    wxDECLARE_EVENT_TABLE();
};
