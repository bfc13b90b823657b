#pragma once

// The real window, driven by real X input, and its file dialogs answered.
#include <wx/filedlg.h>
#include <wx/image.h>

#include "app/FileCommands.h"
#include "app/MainFrame.h"
#include "app/MainWindow.h"
#include "app/TrackCanvas.h"
#include "support/Harness.h"
#include "view/CanvasHandler.h"

// Dialog expectations fail the test instead of asserting.
#define wxTEST_DIALOG_HOOK_CLASS FailingHook
#include <wx/testing.h>

class FailingHook : public wxTestingModalHook {
public:
    using wxTestingModalHook::wxTestingModalHook;
    void ReportFailure(const wxString& message) override { ADD_FAILURE() << message.utf8_string(); }
};

// Answers a file dialog with a path and a filter; notes the title, the directory and
// the filter it came up with.
struct DialogSeen {
    wxString title, directory;
    int filter = -2;
};
class AnswerFile : public wxExpectModalBase<wxFileDialog, AnswerFile> {
public:
    AnswerFile(const wxString& path, DialogSeen* seen = nullptr, int filter = 0, int id = wxID_OK)
        : path(path), seen(seen), filter(filter), id(id) {}

protected:
    int OnInvoked(wxFileDialog* dialog) const override;

private:
    wxString path;
    DialogSeen* seen;
    int filter, id;
};

namespace gui {
void Pump(int milliseconds = 50);
// Empty path and history, Straight, view at the origin, idle handler, no captured logs.
void ResetDocument();
// Real X input at canvas client positions.
void MoveTo(int x, int y);
void Press(int button = wxMOUSE_BTN_LEFT);
void Release(int button = wxMOUSE_BTN_LEFT);
void ClickAt(int x, int y, int button = wxMOUSE_BTN_LEFT);
void DragFromTo(int x0, int y0, int x1, int y1, int button = wxMOUSE_BTN_LEFT);
void Key(int key, int modifiers = 0);
void Hold(int modifiers, bool down);  // Control and Shift, around clicks
wxImage CanvasScreenshot();           // what the screen shows over the canvas
// Lines may be anti-aliased: some pixel within r of (x, y) must carry about the colour.
bool Near(const wxImage& image, int x, int y, const wxColour& c, int r = 1);
std::string StatusText();
}  // namespace gui

std::string Title();
// While it lives: a black w x h picture (none given: the picture as it is) with the
// canvas scrolling over it; the picture and scroll area of before come back after.
class PictureScope {
public:
    explicit PictureScope(int w = 0, int h = 0);
    ~PictureScope();

private:
    wxBitmap saved;
    wxSize area;
};
// A point at a canvas position of the window's picture, put in without touching the history.
TrackPoint* AddAt(int px, int py, float w = 3.0f, bool selected = false);
