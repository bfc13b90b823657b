#include "support/Harness.h"

#include <fstream>
#include <sstream>

LogCapture& LogCapture::Get()
{
    static LogCapture* capture = new LogCapture();  // owned by wxLog once installed
    return *capture;
}

void LogCapture::DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo&)
{
    if (level == wxLOG_Status && statusBar)
        statusBar(msg);
    if (level == wxLOG_Status || level <= wxLOG_Warning)
        (level == wxLOG_Status ? statuses : errors).push_back(msg.utf8_string());
}

void ClearLogs()
{
    LogCapture::Get().statuses.clear();
    LogCapture::Get().errors.clear();
}

Strings UndoNames()
{
    Strings names;
    for (const HistoryRecord* r : Doc()->undoList)
        names.insert(names.begin(), r->name);
    return names;
}

TrackPoint* Add(float x, float y, float w, int type)
{
    auto* p = new TrackPoint(x, y, w, type);
    return Path()->InsertPoint(p, nullptr) ? p : nullptr;
}

void SquarePictureTest::SetUp()
{
    EditorDocument::Create(new EditorDocument());
    Doc()->SetBackgroundBitmap(new wxBitmap(256, 256, 24));
    ClearLogs();
}

std::vector<TrackPoint*> PointsAt(int x, int y)
{
    std::vector<TrackPoint*> out;
    Path()->FindPointsAt(Doc()->Mapping(), 128 + x, 128 - y, out);
    return out;
}

std::string Temp(const std::string& name)
{
    static char pattern[] = "/tmp/vse-test-XXXXXX";
    static const std::string dir = mkdtemp(pattern);
    return name.empty() ? dir : dir + "/" + name;
}

std::string WriteFile(const std::string& name, const std::string& bytes)
{
    std::ofstream(Temp(name), std::ios::binary) << bytes;
    return Temp(name);
}

std::string ReadFile(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}
