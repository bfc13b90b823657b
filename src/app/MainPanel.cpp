#include "app/MainPanel.h"

wxBEGIN_EVENT_TABLE(MainPanel, wxPanel)
    EVT_SIZE(MainPanel::OnSize)
wxEND_EVENT_TABLE()

MainPanel::MainPanel(wxWindow* parent, long style)
    : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, style, "panel")
{
}

void MainPanel::OnSize(wxSizeEvent&)
{
    if (GetAutoLayout())
        Layout();
}
