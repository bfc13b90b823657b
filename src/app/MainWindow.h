#pragma once

#include <string>

#include <wx/object.h>

#include "editor/EditorHost.h"
#include "model/SingleInstance.h"

class CanvasHandler;
class MainFrame;
class MainPanel;
class TrackCanvas;
class wxMenu;
class wxMenuBar;
class wxRadioBox;

// The main window and its widgets; the windows belong to the toolkit, the
// canvas handler to this object. The document's host: what the document tells,
// it shows.
class MainWindow : public wxObject, public SingleInstance<MainWindow>, public EditorHost {
public:
    MainWindow();
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Relabel the Edit items with the command they would undo or redo; an empty
    // name disables the item.
    void UpdateUndoLabel(const std::string& name) override;
    void UpdateRedoLabel(const std::string& name) override;

    void UpdateTitle(const std::string& bareName) override;
    void Redraw() override;
    void ResetHover(int lx, int ly) override;
    void ForgetPoint(const TrackPoint* point) override;
    // The type selected in the radio box.
    int NewPointType() override;
    void SetPointType(int t) override;
    wxSize CanvasClientSize() override;
    // As the File menu's item of the same name.
    void RunCommand(Command command) override;

    MainFrame* frame = nullptr;
    TrackCanvas* canvas = nullptr;
    MainPanel* panel = nullptr;
    wxMenu* fileMenu = nullptr;
    wxMenu* helpMenu = nullptr;
    wxMenu* editMenu = nullptr;
    wxMenuBar* menuBar = nullptr;
    wxRadioBox* typeRadioBox = nullptr;
    CanvasHandler* canvasHandler = nullptr;

private:
    // The status bar's fixed field and the radio box, in pixels of the screen's resolution.
    void PlaceFixedWindows();
};
