#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>

#include <unistd.h>

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/log.h>

#include "app/EditorApp.h"

namespace {

// Swallows every message: a fuzz run produces millions of them.
class QuietLog : public wxLog {
protected:
    void DoLogRecord(wxLogLevel, const wxString&, const wxLogRecordInfo&) override {}
};

std::string workDir;

}  // namespace

namespace fuzz {

void StartApplication(const char* argv0)
{
    char pattern[] = "/tmp/vse-fuzz-XXXXXX";
    if (!mkdtemp(pattern) || chdir(pattern) != 0)
        std::abort();
    workDir = std::string(pattern) + "/";

    wxApp::SetInstance(new EditorApp());
    int argc = 1;
    char* argv[] = {const_cast<char*>(argv0), nullptr};
    if (!wxEntryStart(argc, argv))
        std::abort();
    wxInitAllImageHandlers();
    static wxGUIEventLoop loop;
    static wxEventLoopActivator activate(&loop);
    static QuietLog quiet;
    wxLog::SetActiveTarget(&quiet);
    wxTheApp->CallOnInit();
}

const std::string& WorkDir()
{
    return workDir;
}

std::string WriteFile(const std::string& name, const std::uint8_t* data, std::size_t size)
{
    const std::string path = workDir + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0)
        std::abort();
    return path;
}

void Check(bool ok, const std::string& what)
{
    if (!ok) {
        std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
        std::abort();
    }
}

}  // namespace fuzz
