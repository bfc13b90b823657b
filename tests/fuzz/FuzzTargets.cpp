// The libFuzzer targets, one per FUZZ_TARGET value: the track path reader, the TGA
// reader, opening by file name and the BMP reader. Each starts the real application once in a
// private working directory.
#include <sys/stat.h>
#include <unistd.h>

#include <wx/evtloop.h>
#include <wx/init.h>

#include "app/EditorApp.h"
#include "app/FileCommands.h"
#include "io/BmpReader.h"
#include "io/TgaReader.h"
#include "support/DocumentHarness.h"
#include "support/TestFiles.h"

extern "C" int LLVMFuzzerInitialize(int*, char*** argv)
{
    char* args[] = {(*argv)[0], nullptr};
    int argc = 1;
    wxApp::SetInstance(new EditorApp());
    if (chdir(Temp().c_str()) != 0 || !wxEntryStart(argc, args))
        std::abort();
    static wxGUIEventLoop loop;
    static wxEventLoopActivator activate(&loop);
    // Messages are still formatted, names and all, but go nowhere.
    wxLog::SetActiveTarget(new wxLogStderr(fopen("/dev/null", "w")));
    wxTheApp->CallOnInit();
#if FUZZ_TARGET == 3
    // Real files for names to hit: paths, pictures, cut ones and folders named like files.
    const char tga[18 + 3] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0, 1, 2, 3};
    for (const char* name : {"a.txt", "B.TXT", ".txt", "bad.txt"})
        std::ofstream(name) << (name[0] == 'b' ? "2\n1,2" : "2\n1,2,3,0\n4,5,6,1\n");
    for (const char* name : {"a.tga", "x.TGA", "a.bmp", "a.png", "short.tga"})
        std::ofstream(name, std::ios::binary).write(tga, name[0] == 's' ? 10 : sizeof tga);
    mkdir("dir.txt", 0755);
    mkdir("dir.tga", 0755);
#endif
    return 0;
}

// A finding is a crash, a leak, a hang or an abort here.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::ofstream("input", std::ios::binary).write(reinterpret_cast<const char*>(data), std::streamsize(size));
#if FUZZ_TARGET == 1
    if (!CheckPathInvariants(TrackPath("input")).empty())
        std::abort();
#elif FUZZ_TARGET == 2
    // Refused, or a picture of the size its header gives.
    const wxBitmap* picture = ReadTga("input");
    if (picture && (picture->GetWidth() != data[12] + 256 * data[13] || picture->GetHeight() != data[14] + 256 * data[15]))
        std::abort();
    delete picture;
#elif FUZZ_TARGET == 4
    // A picture exactly when no reason to refuse was given. A few bytes of run-length code may rightly
    // ask for the largest picture, too slow to fuzz: the tests read that one.
    std::FILE* f = std::fopen("input", "rb");
    const BmpHeader header(f, (long long)size);
    std::fclose(f);
    if (header.refusal == BmpRefusal::None && header.width * header.height > (1 << 22))
        return 0;
    BmpRefusal why = BmpRefusal::None;
    const wxBitmap* picture = ReadBmp("input", &why);
    if (!picture != (why != BmpRefusal::None))
        std::abort();
    delete picture;
#else
    // Any name, up to its first NUL as a command line gives it.
    FileCommands::Instance()->OpenByExtension(std::string(reinterpret_cast<const char*>(data), size).c_str());
    if (!CheckPathInvariants(*EditorDocument::Instance()->GetTrackPath()).empty())
        std::abort();
#endif
    return 0;
}
