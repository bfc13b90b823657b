#pragma once

// What every test shares, with or without a window: the messages the program
// logs, a fresh document, and ways to build and read it.
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <wx/bitmap.h>
#include <wx/log.h>

#include "editor/EditorDocument.h"
#include "editor/EditorHost.h"
#include "editor/HistoryRecord.h"
#include "model/TrackPath.h"
#include "model/TrackPoint.h"

// Records every status line and error; status lines still reach the status bar,
// and no error box waits for a click.
class LogCapture : public wxLog {
public:
    static LogCapture& Get();
    std::vector<std::string> statuses, errors;
    void (*statusBar)(const wxString&) = nullptr;  // where status lines are shown, when there is a window

protected:
    void DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo& info) override;
};

// Stands in for the window: keeps what the document tells it.
class RecordingHost : public EditorHost {
public:
    void UpdateTitle(const std::string& bareName) override { title = bareName; }
    void UpdateUndoLabel(const std::string& name) override { undoLabel = name; }
    void UpdateRedoLabel(const std::string& name) override { redoLabel = name; }
    void Redraw() override { ++redraws; }
    void ResetHover(int lx, int ly) override { hoverResets.emplace_back(lx, ly); }
    void ForgetPoint(const TrackPoint* point) override { forgotten.push_back(point); }
    int NewPointType() override { return 0; }
    wxSize CanvasClientSize() override { return {0, 0}; }
    std::string title, undoLabel, redoLabel;
    int redraws = 0;
    std::vector<std::pair<int, int>> hoverResets;
    std::vector<const TrackPoint*> forgotten;
};

using Strings = std::vector<std::string>;
EditorDocument* Doc();
TrackPath* Path();
std::vector<TrackPoint*> Chain();
std::vector<std::string> UndoNames();  // oldest first
const std::vector<std::string>& Statuses();
const std::vector<std::string>& Errors();
void ClearLogs();
// A point at a world position, put in without touching the history.
TrackPoint* Add(float x, float y, float w = 2.0f, int type = 0);
// A fresh document without a window, shown in a recording host, over a 256 x 256
// picture where world (x, y) is pixel (128 + x, 128 - y); and the points within the
// pick square around a world position on it.
class SquarePictureTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override { EditorDocument::Destroy(); }
    RecordingHost host;
};
std::vector<TrackPoint*> PointsAt(int x, int y);
// Files in a private directory of this run.
std::string Temp(const std::string& name = "");
std::string WriteFile(const std::string& name, const std::string& bytes);  // returns its path
std::string ReadFile(const std::string& path);
// An empty string when the path's chain, index and bounds are sound, else what is wrong.
std::string CheckPathInvariants(const TrackPath& path);
