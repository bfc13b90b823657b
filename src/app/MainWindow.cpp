#include "app/MainWindow.h"

#include <wx/layout.h>
#include <wx/log.h>
#include <wx/menu.h>
#include <wx/radiobox.h>

#include "app/AppIcon.h"
#include "app/AppIds.h"
#include "app/MainFrame.h"
#include "app/MainPanel.h"
#include "app/TrackCanvas.h"
#include "editor/EditorDocument.h"
#include "model/SegmentType.h"
#include "model/TrackPath.h"
#include "model/TrackPoint.h"
#include "view/CanvasHandler.h"
#include "view/CanvasPainter.h"

namespace {

// GTK shows the text after a label's tab only if it reads as a shortcut, and
// "(Ctrl+Z)" does not: the parentheses go. The shortcut so becomes a menu
// accelerator too, which GTK tries only after the focused canvas has passed the
// key on, so each key still runs its command once.
wxString MenuLabel(const wxString& label)
{
    const size_t tab = label.rfind('\t');
    if (tab == wxString::npos)
        return label;
    const wxString shortcut = label.Mid(tab + 1);
    if (shortcut.length() < 2 || !shortcut.StartsWith("(") || !shortcut.EndsWith(")"))
        return label;
    return label.Left(tab + 1) + shortcut.Mid(1, shortcut.length() - 2);
}

void Relabel(wxMenu* menu, int id, const char* format, const std::string& name)
{
    menu->SetLabel(id, MenuLabel(wxString::Format(format, wxString::FromUTF8(name))));
    menu->Enable(id, !name.empty());
}

}  // namespace

MainWindow::MainWindow()
{
    // The fixed layout counts pixels of a screen at 96 DPI, and grows with the
    // screen's resolution where the toolkit counts the screen's own pixels (Windows).
    const int side = wxWindow::FromDIP(600, nullptr);
    frame = new MainFrame(nullptr, "VORN Spline Editor", 50, 50, side, side);

    frame->CreateStatusBar(2);
    frame->GetStatusBar()->SetName("status_line");

    frame->SetIcons(LoadAppIcons("vse_icon"));
    frame->DragAcceptFiles(true);

    panel = new MainPanel(frame, wxSUNKEN_BORDER);
    panel->SetAutoLayout(true);

    const wxString choices[SegmentTypeCount] = {"Straight", "Jump", "Curve"};
    typeRadioBox = new wxRadioBox(panel, ID_TYPE_RADIOBOX, "Type", wxDefaultPosition, wxDefaultSize, SegmentTypeCount,
                                  choices, 1, wxRA_SPECIFY_COLS, wxDefaultValidator, "radioBox");

    canvas = new TrackCanvas(panel, frame->FromDIP(wxPoint(125, 5)), frame->FromDIP(wxSize(400, 400)));
    canvas->ShowArea(wxSize(400, 400));
    canvas->SetFocus();

    canvasHandler = new CanvasHandler(*this, *canvas);
    CanvasPainter::Instance()->SetCanvas(canvas, canvasHandler);

    auto* constraints = new wxLayoutConstraints();
    constraints->left.SameAs(typeRadioBox, wxRight, 0);
    constraints->right.SameAs(panel, wxRight, 0);
    constraints->top.SameAs(panel, wxTop, 0);
    constraints->bottom.SameAs(panel, wxBottom, 0);
    canvas->SetConstraints(constraints);

    fileMenu = new wxMenu();
    fileMenu->Append(ID_NEW_SPLINE, MenuLabel("&New Spline\t(Ctrl+N)"), "Create new spline");
    fileMenu->Append(ID_OPEN_SPLINE, MenuLabel("&Open Spline\t(Ctrl+O)"), "Open Spline (.txt file)");
    fileMenu->Append(ID_OPEN_IMAGE, MenuLabel("Open &Image\t(Ctrl+A)"), "Open Image (.tga/.bmp file)");
    fileMenu->AppendSeparator();
    fileMenu->Append(ID_SAVE_SPLINE, MenuLabel("&Save Spline\t(Ctrl+S)"), "Save Spline (.txt file)");
    fileMenu->Append(ID_SAVE_SPLINE_AS, "Save Spline &As...", "Save Spline As... (.txt file)");
    fileMenu->AppendSeparator();
    fileMenu->Append(ID_EXIT, "E&xit", "Quit VornSplineEdit");

    editMenu = new wxMenu();
    editMenu->Append(ID_UNDO, MenuLabel("&Undo\t(Ctrl+Z)"), "Undo last command");
    editMenu->Append(ID_REDO, MenuLabel("&Redo\t(Ctrl+Y)"), "Redo last command");

    helpMenu = new wxMenu();
    helpMenu->Append(ID_ABOUT, "&About...", "About VornSplineEdit!");

    UpdateUndoLabel("");
    UpdateRedoLabel("");

    menuBar = new wxMenuBar();
    menuBar->Append(fileMenu, "&File");
    menuBar->Append(editMenu, "&Edit");
    menuBar->Append(helpMenu, "&Help");
    frame->SetMenuBar(menuBar);

    PlaceFixedWindows();
    // Moved to a screen of another resolution, Windows gives the frame a new
    // size in proportion; what has a fixed place follows, and the canvas
    // shows the picture at the new scale.
    frame->Bind(wxEVT_DPI_CHANGED, [this](wxDPIChangedEvent& event) {
        event.Skip();
        PlaceFixedWindows();
        const PixelMapping& mapping = EditorDocument::Instance()->mapping;
        canvas->ShowArea(mapping.hasPicture ? wxSize(mapping.width, mapping.height) : wxSize(400, 400));
        CanvasPainter::Instance()->RedrawAll();
    });
    frame->Centre(wxBOTH);
}

void MainWindow::PlaceFixedWindows()
{
    const int widths[2] = {-1, frame->FromDIP(100)};
    frame->SetStatusWidths(2, widths);
    typeRadioBox->SetSize(wxRect(frame->FromDIP(wxPoint(5, 5)), frame->FromDIP(wxSize(100, 100))));
    panel->Layout();  // the canvas begins where the radio box now ends
}

MainWindow::~MainWindow()
{
    if (CanvasPainter::Exists())
        CanvasPainter::Instance()->SetCanvas(nullptr, nullptr);
    delete canvasHandler;
}

void MainWindow::SetPointType(int t)
{
    typeRadioBox->SetSelection(t);
    EditorDocument* doc = EditorDocument::Instance();
    for (TrackPoint* p : doc->selection) {
        p->type = t;
        doc->GetTrackPath()->MarkingChanged(p);
    }
    wxLogStatus("Changed point type to:  %d", t);
}

void MainWindow::UpdateUndoLabel(const std::string& name)
{
    Relabel(editMenu, ID_UNDO, "&Undo %s\t(Ctrl+Z)", name);
}

void MainWindow::UpdateRedoLabel(const std::string& name)
{
    Relabel(editMenu, ID_REDO, "&Redo %s\t(Ctrl+Y)", name);
}

void MainWindow::UpdateTitle(const std::string& bareName)
{
    frame->UpdateTitle(wxString(bareName.c_str(), *wxConvFileName));
}

void MainWindow::Redraw()
{
    CanvasPainter::Instance()->Redraw();
}

void MainWindow::ResetHover(int lx, int ly)
{
    canvasHandler->ResetHover(lx, ly);
}

void MainWindow::ForgetPoint(const TrackPoint* point)
{
    canvasHandler->ForgetPoint(point);
}

int MainWindow::NewPointType()
{
    return typeRadioBox->GetSelection();
}

wxSize MainWindow::CanvasClientSize()
{
    const wxPoint logical = canvas->ToClient(wxPoint(canvas->GetClientSize().x, canvas->GetClientSize().y));
    return wxSize(logical.x, logical.y);
}

void MainWindow::RunCommand(Command command)
{
    wxCommandEvent none;
    switch (command) {
    case Command::NewSpline:
        frame->OnNewSpline(none);
        break;
    case Command::OpenSpline:
        frame->OnOpenSpline(none);
        break;
    case Command::OpenImage:
        frame->OnOpenImage(none);
        break;
    case Command::SaveSpline:
        frame->OnSaveSpline(none);
        break;
    }
}
