#include "model/FileName.h"

#include <wx/filefn.h>

#include "app/MainFrame.h"
#include "app/MainWindow.h"

std::string currentFileName = "noname.txt";

void SetFileName(const std::string& name)
{
    currentFileName = name;
    MainWindow::Instance()->frame->UpdateTitle(wxFileNameFromPath(wxString(currentFileName.c_str(), *wxConvFileName)));
}
