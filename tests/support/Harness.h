#pragma once

// What every test shares, with or without a window: the messages the program
// logs, a fresh document, and ways to build and read it.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#ifdef _WIN32
#include <io.h>
#include <process.h>
#endif

#include <gtest/gtest.h>
#include <wx/wx.h>

#include "editor/EditorDocument.h"
#include "editor/HistoryRecord.h"
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
inline EditorDocument* Doc() { return EditorDocument::Instance(); }
inline TrackPath* Path() { return Doc()->GetTrackPath(); }
inline Points Chain() { return {Path()->points.begin(), Path()->points.end()}; }
inline const Strings& Statuses() { return LogCapture::Get().statuses; }
inline const Strings& Errors() { return LogCapture::Get().errors; }

inline void ClearLogs() { LogCapture::Get().statuses.clear(), LogCapture::Get().errors.clear(); }

// The names of the steps that can be undone, oldest first.
inline Strings UndoNames()
{
    Strings names;
    for (const HistoryRecord* r : Doc()->undoList)
        names.insert(names.begin(), r->name);
    return names;
}

// A point at a world position, put in without touching the history.
inline TrackPoint* Add(float x, float y, float w = 2.0f, int type = 0)
{
    auto* p = new TrackPoint(x, y, w, type);
    return Path()->InsertPoint(p, nullptr) ? p : nullptr;
}

// A fresh document without a window, over a 256 x 256 picture where world (x, y)
// is pixel (128 + x, 128 - y).
class SquarePictureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        wxLog::SetActiveTarget(&LogCapture::Get());
        EditorDocument::Create(new EditorDocument());
        Doc()->SetBackgroundBitmap(new wxBitmap(256, 256, 24));
        ClearLogs();
    }
    void TearDown() override { EditorDocument::Destroy(); }
};

// The points within the pick square around a world position on that picture.
inline Points PointsAt(int x, int y)
{
    Points out;
    Path()->FindPointsAt(Doc()->Mapping(), 128 + x, 128 - y, out);
    return out;
}

// A new directory for this run's files.
inline std::string MakeScratchDir()
{
#ifdef _WIN32
    // No mkdtemp there: the process's own folder in the user's temporary folder.
    const auto path = std::filesystem::temp_directory_path() / ("vse-test-" + std::to_string(_getpid()));
    std::filesystem::create_directories(path);
    return path.u8string();  // names are UTF-8 inside the program
#else
    static char pattern[] = "/tmp/vse-test-XXXXXX";
    return mkdtemp(pattern);
#endif
}

// Files in a private directory of this run.
inline std::string Temp(const std::string& name = "")
{
    static const struct Dir {
        std::string path;
        ~Dir() { std::filesystem::remove_all(path); }  // at exit
    } dir{MakeScratchDir()};
    return name.empty() ? dir.path : dir.path + "/" + name;
}

// Returns the file's path.
inline std::string WriteFile(const std::string& name, const std::string& bytes)
{
    std::ofstream(std::filesystem::u8path(Temp(name)), std::ios::binary) << bytes;
    return Temp(name);
}

// How many files this process holds open.
inline long OpenFiles()
{
#ifdef _WIN32
    // No /proc there: the C library's descriptors, which every file the program opens becomes.
    long n = 0;
    for (int fd = 0; fd < 2048; ++fd)
        n += _get_osfhandle(fd) != -1;
    return n;
#else
    return long(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}));
#endif
}

inline std::string ReadFile(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(std::filesystem::u8path(path), std::ios::binary).rdbuf();
    return text.str();
}

// A saved file's text: lines end in CR LF on Windows, as its programs write them.
inline std::string AsWritten(std::string text)
{
#ifdef _WIN32
    for (std::size_t i = 0; (i = text.find('\n', i)) != std::string::npos; i += 2)
        text.insert(i, "\r");
#endif
    return text;
}

// The rows of a table that have no meaning on this system, each with why; the
// test ends as skipped and names them, once the rows that apply have run.
struct RowsNotHere {
    std::string text;
    void Add(const std::string& row, const std::string& why) { text += "\n  " + row + ": " + why; }
};
#define SKIP_ROWS_NOT_HERE(rows) \
    if (!(rows).text.empty())     \
    GTEST_SKIP() << "rows that do not apply on this system:" << (rows).text

// Bytes of a file format, little-endian where it counts; a TGA of the given kind.
inline std::string Bytes(std::initializer_list<int> values) { return std::string(values.begin(), values.end()); }
inline std::string Le16(long v) { return Bytes({int(v & 0xff), int((v >> 8) & 0xff)}); }
inline std::string Tga(int type, int w, int h, int depth, const std::string& data, int descriptor = 0)
{
    return Bytes({0, 0, type, 0, 0, 0, 0, 0, 0, 0, 0, 0}) + Le16(w) + Le16(h) + Bytes({depth, descriptor}) + data;
}
// An empty string when the path's chain, index and bounds are sound, else what is wrong.
std::string CheckPathInvariants(const TrackPath& path);
