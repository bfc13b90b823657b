#pragma once

#include <wx/app.h>

class EditorApp : public wxApp {
public:
    bool OnInit() override;
    int OnExit() override;
    // The desktop session ends: one that may be stopped asks as a close does;
    // one that may not keeps unsaved changes in a file of their own.
    void OnQueryEndSession(wxCloseEvent& event);
    void OnEndSession(wxCloseEvent& event);

private:
    wxDECLARE_EVENT_TABLE();
};
