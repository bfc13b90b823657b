#pragma once

// What the tests share: the real window driven by real X input, the messages the
// program logs, file dialogs answered, and a few ways to build and read the document.
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <wx/bitmap.h>
#include <wx/filedlg.h>
#include <wx/image.h>
#include <wx/log.h>

#include "app/FileCommands.h"
#include "app/MainFrame.h"
#include "app/MainWindow.h"
#include "app/TrackCanvas.h"
#include "editor/EditorDocument.h"
#include "editor/HistoryRecord.h"
#include "model/TrackPath.h"
#include "model/TrackPoint.h"
#include "view/CanvasHandler.h"
#include "view/ViewTransform.h"

// Dialog expectations fail the test instead of asserting.
#define wxTEST_DIALOG_HOOK_CLASS FailingHook
#include <wx/testing.h>

class FailingHook : public wxTestingModalHook {
public:
    using wxTestingModalHook::wxTestingModalHook;
    void ReportFailure(const wxString& message) override { ADD_FAILURE() << message.utf8_string(); }
};

// Records every status line and error; status lines still reach the status bar,
// and no error box waits for a click.
class LogCapture : public wxLog {
public:
    static LogCapture& Get();
    std::vector<std::string> statuses, errors;

protected:
    void DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo& info) override;
};

// Answers a file dialog with a path and a filter; notes the title, the directory and
// the filter it came up with, and whether the frame was disabled meanwhile.
struct DialogSeen {
    wxString title, directory;
    int filter = -2;
    bool frameEnabled = true;
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
std::string StatusText();
}  // namespace gui

using Strings = std::vector<std::string>;
EditorDocument* Doc();
TrackPath* Path();
std::vector<TrackPoint*> Chain();
std::vector<std::string> UndoNames();  // oldest first
const std::vector<std::string>& Statuses();
const std::vector<std::string>& Errors();
void ClearLogs();
std::string Title();
// A point at a world or a canvas position, put in without touching the history.
TrackPoint* Add(float x, float y, float w = 2.0f, int type = 0);
TrackPoint* AddAt(int px, int py, float w = 3.0f, bool selected = false);
// A fresh document over a 256 x 256 picture, where world (x, y) is pixel (128 + x, 128 - y),
// and the points within the pick square around a world position on it.
class SquarePictureTest : public ::testing::Test {
protected:
    void SetUp() override;
};
std::vector<TrackPoint*> PointsAt(int x, int y);
// Files in a private directory of this run.
std::string Temp(const std::string& name = "");
std::string WriteFile(const std::string& name, const std::string& bytes);  // returns its path
std::string ReadFile(const std::string& path);
// An empty string when the path's chain, index and bounds are sound, else what is wrong.
std::string CheckPathInvariants(const TrackPath& path);
