// The TGA reader on any bytes: it either refuses or returns a picture of the
// header's size, small enough to draw, whose pixels the file can really hold,
// and whose bottom-left pixel is the first one stored.
#include <cstdint>

#include <wx/bitmap.h>
#include <wx/image.h>

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
    fuzz::Check(width <= 32767 && height <= 32767, "a picture too large to draw");

    const int type = data[2], depth = data[16];
    const bool rle = type == 10 || type == 11;
    const std::size_t bytes = std::size_t(depth / 8), pixels = std::size_t(width) * height;
    fuzz::Check(((type == 2 || type == 10) && (depth == 24 || depth == 32)) ||
                    ((type == 3 || type == 11) && depth == 8),
                "a kind that is not read");
    // Uncompressed: every pixel's bytes. Run-length: at least one packet per 128 pixels.
    const std::size_t least = rle ? (pixels + 127) / 128 * (1 + bytes) : pixels * bytes;
    fuzz::Check(18 + least <= size, "picture larger than the file");

    // The first stored pixel follows the header (and, run-length encoded, its packet's header).
    if (pixels <= 4096) {
        const std::uint8_t* first = data + 18 + (rle ? 1 : 0);
        const wxImage image = picture->ConvertToImage();
        const int y = height - 1;
        const bool grey = bytes == 1;
        fuzz::Check(image.GetRed(0, y) == first[grey ? 0 : 2] && image.GetGreen(0, y) == first[grey ? 0 : 1] &&
                        image.GetBlue(0, y) == first[0],
                    "the bottom-left pixel is not the first stored");
    }
    delete picture;
    return 0;
}
