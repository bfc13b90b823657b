// The TGA reader on any bytes: it either refuses or returns a picture whose
// size is the header's and whose pixels the file really holds.
#include <cstdint>

#include <wx/bitmap.h>

#include "FuzzSupport.h"
#include "io/TgaReader.h"

extern "C" int LLVMFuzzerInitialize(int*, char*** argv)
{
    fuzz::StartApplication((*argv)[0]);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input = fuzz::WriteFile("input.tga", data, size);
    wxBitmap* picture = ReadTga(input.c_str());
    if (!picture)
        return 0;
    fuzz::Check(size >= 18, "a picture from a file shorter than its header");
    const int width = data[12] + 256 * data[13];
    const int height = data[14] + 256 * data[15];
    fuzz::Check(picture->IsOk() && picture->GetWidth() == width && picture->GetHeight() == height,
                "picture size differs from the header");
    fuzz::Check(std::size_t(width) * height * 3 + 18 <= size, "picture larger than the file");
    delete picture;
    return 0;
}
