#pragma once

#include <wx/panel.h>

// Fills the frame; lays out its children by their constraints on every resize.
class MainPanel : public wxPanel {
public:
    MainPanel(wxWindow* parent, long style);

private:
    void OnSize(wxSizeEvent& event);
    wxDECLARE_EVENT_TABLE();
};
