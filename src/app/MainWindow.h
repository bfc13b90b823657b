#pragma once

#include <string>

#include <wx/object.h>

#include "model/SingleInstance.h"

class CanvasHandler;
class MainFrame;
class MainPanel;
class TrackCanvas;
class wxMenu;
class wxMenuBar;
class wxRadioBox;

// The main window and its widgets; the windows belong to the toolkit, the
// canvas handler to this object.
class MainWindow : public wxObject, public SingleInstance<MainWindow> {
public:
    MainWindow();
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Selects type t in the radio box and gives it to every selected point.
    void SetPointType(int t);
    // Relabel the Edit items with the command they would undo or redo; an empty
    // name disables the item.
    void UpdateUndoLabel(const std::string& name);
    void UpdateRedoLabel(const std::string& name);

    MainFrame* frame = nullptr;
    TrackCanvas* canvas = nullptr;
    MainPanel* panel = nullptr;
    wxMenu* fileMenu = nullptr;
    wxMenu* helpMenu = nullptr;
    wxMenu* editMenu = nullptr;
    wxMenuBar* menuBar = nullptr;
    wxRadioBox* typeRadioBox = nullptr;
    CanvasHandler* canvasHandler = nullptr;
};
