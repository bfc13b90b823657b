// The libFuzzer targets, one per FUZZ_TARGET value: the track path reader, the TGA
// reader and opening by file name. Each starts the real application once, with a
// quiet log, in a private working directory.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include <wx/app.h>
#include <wx/bitmap.h>
#include <wx/evtloop.h>
#include <wx/init.h>

#include "app/EditorApp.h"
#include "app/FileCommands.h"
#include "editor/EditorDocument.h"
#include "io/TgaReader.h"
#include "model/TrackPath.h"

std::string CheckPathInvariants(const TrackPath& path);

namespace {

// Messages are still formatted, names and all, but go nowhere.
class QuietLog : public wxLog {
protected:
    void DoLogRecord(wxLogLevel, const wxString&, const wxLogRecordInfo&) override {}
};

std::string Write(const std::string& name, const void* data, std::size_t size)
{
    std::ofstream(name, std::ios::binary).write(static_cast<const char*>(data), std::streamsize(size));
    return name;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char*** argv)
{
    char dir[] = "/tmp/vse-fuzz-XXXXXX";
    char* args[] = {(*argv)[0], nullptr};
    int argc = 1;
    wxApp::SetInstance(new EditorApp());
    if (!mkdtemp(dir) || chdir(dir) != 0 || !wxEntryStart(argc, args))
        std::abort();
    static wxGUIEventLoop loop;
    static wxEventLoopActivator activate(&loop);
    wxLog::SetActiveTarget(new QuietLog());
    wxTheApp->CallOnInit();
    // Files of every kind, whole and cut short, for names to hit.
    const std::uint8_t tga[18 + 3] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0, 1, 2, 3};
    for (const char* name : {"a.tga", "x.TGA", "a.bmp", "a.png", "short.tga"})
        Write(name, tga, name[0] == 's' ? 10 : sizeof tga);
    Write("a.txt", "2\n1,2,3,0\n4,5,6,1\n", 18);
    Write("bad.txt", "2\n1,2,3,0\n4,5,6,1\n", 5);
    mkdir("dir.txt", 0755);
    return 0;
}

// A finding is a crash, a leak, a hang or an abort here.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
#if FUZZ_TARGET == 1
    // Any bytes as a path file: a sound path.
    const TrackPath read(Write("input.txt", data, size).c_str());
    if (!read.valid || !CheckPathInvariants(read).empty())
        std::abort();
#elif FUZZ_TARGET == 2
    // Any bytes as a TGA file: refused, or a picture of the size its header gives.
    const wxBitmap* picture = ReadTga(Write("input.tga", data, size).c_str());
    if (picture && (picture->GetWidth() != data[12] + 256 * data[13] || picture->GetHeight() != data[14] + 256 * data[15]))
        std::abort();
    delete picture;
#else
    // Any name, up to its first NUL as a command line gives it, opened by its ending.
    FileCommands::Instance()->OpenByExtension(std::string(reinterpret_cast<const char*>(data), size).c_str());
    if (!CheckPathInvariants(*EditorDocument::Instance()->GetTrackPath()).empty())
        std::abort();
#endif
    return 0;
}
