// The libFuzzer targets, one per FUZZ_TARGET value: the track path reader, the TGA
// reader and opening by file name. Each starts the real application once, with a
// quiet log, in a private working directory.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
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

class QuietLog : public wxLog {
protected:
    void DoLogRecord(wxLogLevel, const wxString&, const wxLogRecordInfo&) override {}
};

std::string Write(const std::string& name, const void* data, std::size_t size)
{
    std::ofstream(name, std::ios::binary).write(static_cast<const char*>(data), std::streamsize(size));
    return name;
}

std::string Read(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void Check(bool ok, const std::string& what)
{
    if (!ok)
        std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str()), std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char*** argv)
{
    char dir[] = "/tmp/vse-fuzz-XXXXXX";
    if (!mkdtemp(dir) || chdir(dir) != 0)
        std::abort();
    wxApp::SetInstance(new EditorApp());
    char* args[] = {(*argv)[0], nullptr};
    if (int argc = 1; !wxEntryStart(argc, args))
        std::abort();
    static wxGUIEventLoop loop;
    static wxEventLoopActivator activate(&loop);
    wxLog::SetActiveTarget(new QuietLog());
    wxTheApp->CallOnInit();
    // Real files of every kind, whole and cut short, for names to hit.
    const std::string path = "2\n1,2,3,0\n4,5,6,1\n";
    const std::uint8_t tga[18 + 3] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0, 1, 2, 3};
    for (const char* name : {"a.txt", "B.TXT", "bad.txt"})
        Write(name, path.data(), name[0] == 'b' ? 5 : path.size());
    for (const char* name : {"a.tga", "x.TGA", "a.bmp", "a.png", "short.tga"})
        Write(name, tga, name[0] == 's' ? 10 : sizeof tga);
    mkdir("dir.txt", 0755);
    mkdir("dir.tga", 0755);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
#if FUZZ_TARGET == 1
    // Any bytes as a path file: a consistent path; a complete read saves a text that
    // reads back and saves again unchanged (six decimals settle after one pass).
    TrackPath read(Write("input.txt", data, size).c_str());
    Check(read.valid && CheckPathInvariants(read).empty(), "read path: " + CheckPathInvariants(read));
    if (read.incomplete)
        return 0;
    Check(read.Save("saved.txt"), "save");
    TrackPath again("saved.txt");
    Check(again.valid && !again.incomplete && CheckPathInvariants(again).empty(), "saved file reads back");
    Check(again.Save("again.txt") && Read("again.txt") == Read("saved.txt"), "points change across a save and a read");
#elif FUZZ_TARGET == 2
    // Any bytes as a TGA file: refused, or a drawable picture of the header's size and
    // of a kind that is read, that the file really holds.
    wxBitmap* picture = ReadTga(Write("input.tga", data, size).c_str());
    if (!picture)
        return 0;
    Check(size >= 18 && picture->IsOk(), "a picture from a file shorter than its header");
    const int width = data[12] + 256 * data[13], height = data[14] + 256 * data[15], type = data[2], depth = data[16];
    Check(picture->GetWidth() == width && picture->GetHeight() == height, "picture size differs from the header");
    Check(width <= 32767 && height <= 32767, "a picture too large to draw");
    Check(((type == 2 || type == 10) && (depth == 24 || depth == 32)) || ((type == 3 || type == 11) && depth == 8),
          "a kind that is not read");
    // Uncompressed: every pixel's bytes. Run-length: at least one packet per 128 pixels.
    const bool rle = type == 10 || type == 11;
    const std::size_t bytes = std::size_t(depth / 8), pixels = std::size_t(width) * height;
    Check(18 + (rle ? (pixels + 127) / 128 * (1 + bytes) : pixels * bytes) <= size, "picture larger than the file");
    delete picture;
#else
    // Any name, up to its first NUL as a command line gives it, opened by its ending.
    FileCommands::Instance()->OpenByExtension(std::string(reinterpret_cast<const char*>(data), size).c_str());
    const std::string problems = CheckPathInvariants(*EditorDocument::Instance()->GetTrackPath());
    Check(problems.empty(), "path after opening: " + problems);
#endif
    return 0;
}
