#pragma once

#include <wx/app.h>

class EditorApp : public wxApp {
public:
    bool OnInit() override;
    int OnExit() override;
};
