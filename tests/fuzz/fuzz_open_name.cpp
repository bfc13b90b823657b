// Opening by ending with any name: unreadable names, odd bytes, very short and
// very long names, and names of real files of every kind in the working directory.
#include <cstdint>
#include <cstdio>
#include <string>

#include <sys/stat.h>

#include "FuzzSupport.h"
#include "app/FileCommands.h"
#include "editor/EditorDocument.h"
#include "model/TrackPath.h"
#include "support/PathInvariants.h"

extern "C" int LLVMFuzzerInitialize(int*, char*** argv)
{
    fuzz::StartApplication((*argv)[0]);
    const std::string path = "2\n1,2,3,0\n4,5,6,1\n";
    const std::uint8_t tga[18 + 3] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0, 1, 2, 3};
    for (const char* name : {"a.txt", "B.TXT", "bad.txt", ".txt"})
        fuzz::WriteFile(name, reinterpret_cast<const std::uint8_t*>(path.data()),
                        name[0] == 'b' ? 5 : path.size());
    for (const char* name : {"a.tga", "x.TGA", "short.tga", "a.bmp", "a.png"})
        fuzz::WriteFile(name, tga, name[0] == 's' ? 10 : sizeof tga);
    mkdir((fuzz::WorkDir() + "dir.txt").c_str(), 0755);
    mkdir((fuzz::WorkDir() + "dir.tga").c_str(), 0755);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The name ends at the first NUL, as a C string from a command line would.
    const std::string name(reinterpret_cast<const char*>(data), size);
    FileCommands::Instance()->OpenByExtension(name.c_str());
    const TrackPath* path = EditorDocument::Instance()->GetTrackPath();
    const std::string problems = CheckPathInvariants(*path);
    fuzz::Check(problems.empty(), "path after opening: " + problems);
    return 0;
}
