#pragma once

// What the tests of every layer share, the model's among them: the messages the
// program logs, the soundness of a path, and ways to build and read one.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <wx/log.h>

#include "model/PixelMapping.h"
#include "model/TrackPath.h"
#include "model/TrackPoint.h"
#include "model/TrackSegment.h"

// Records every status line and error; status lines still reach the status bar,
// and no error box waits for a click.
class LogCapture : public wxLog {
public:
    static LogCapture& Get() { static auto* capture = new LogCapture(); return *capture; }  // wxLog owns it once installed
    std::vector<std::string> statuses, errors;
    void (*statusBar)(const wxString&) = nullptr;  // where status lines are shown, when there is a window

protected:
    void DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo&) override
    {
        if (level == wxLOG_Status && statusBar)
            statusBar(msg);
        if (level == wxLOG_Status || level <= wxLOG_Warning)
            (level == wxLOG_Status ? statuses : errors).push_back(msg.utf8_string());
    }
};

using Strings = std::vector<std::string>;
using Points = std::vector<TrackPoint*>;
inline const Strings& Statuses() { return LogCapture::Get().statuses; }
inline const Strings& Errors() { return LogCapture::Get().errors; }

inline void ClearLogs() { LogCapture::Get().statuses.clear(), LogCapture::Get().errors.clear(); }

inline Points Chain(const TrackPath& path) { return {path.points.begin(), path.points.end()}; }

// A point at a world position, appended.
inline TrackPoint* Add(TrackPath& path, float x, float y, float w = 2.0f, int type = 0)
{
    auto* p = new TrackPoint(x, y, w, type);
    return path.InsertPoint(p, nullptr) ? p : nullptr;
}

// The points within the pick square around a world position, on a 256 x 256
// picture where world (x, y) is pixel (128 + x, 128 - y).
inline Points PointsAt(TrackPath& path, int x, int y)
{
    Points out;
    path.FindPointsAt(PixelMapping(256, 256), 128 + x, 128 - y, out);
    return out;
}

// An empty string when the path's chain, index and bounds are sound, else what is wrong.
std::string CheckPathInvariants(const TrackPath& path);
