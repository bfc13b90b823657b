#include "io/TgaReader.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include <wx/bitmap.h>
#include <wx/image.h>
#include <wx/log.h>

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool ReadAt(std::FILE* f, long offset, void* into, std::size_t size)
{
    return std::fseek(f, offset, SEEK_SET) == 0 && std::fread(into, 1, size, f) == size;
}

// The byte count of the file, or -1 when it cannot be told.
long long FileSize(std::FILE* f)
{
    if (std::fseek(f, 0, SEEK_END) != 0)
        return -1;
    return std::ftell(f);
}

bool Refuse()
{
    wxLogError("Sorry, I don't know how to read your TGA file!");
    return false;
}

}  // namespace

wxBitmap* ReadTga(const char* path)
{
    File file(path ? std::fopen(path, "rb") : nullptr);
    if (!file) {
        wxLogError("Could not open file for read:  %s", wxString(path ? path : "", *wxConvFileName));
        return nullptr;
    }
    std::FILE* f = file.get();

    unsigned char idLength, colourMapType, imageType;
    if (!ReadAt(f, 0, &idLength, 1)) {
        wxLogError("Couldn't read identification field in TGA.");
        return nullptr;
    }
    if (idLength != 0) {
        Refuse();
        return nullptr;
    }
    if (!ReadAt(f, 1, &colourMapType, 1)) {
        wxLogError("Couldn't read color map type field in TGA.");
        return nullptr;
    }
    // Colour-mapped, compressed, grey or other depths would be shown as noise.
    if (colourMapType != 0) {
        Refuse();
        return nullptr;
    }
    if (!ReadAt(f, 2, &imageType, 1)) {
        wxLogError("Couldn't read image type field in TGA.");
        return nullptr;
    }
    if (imageType != 2) {
        Refuse();
        return nullptr;
    }
    unsigned char imageInfo[10];
    if (!ReadAt(f, 8, imageInfo, sizeof imageInfo)) {
        wxLogError("Couldn't read image specification field in TGA.");
        return nullptr;
    }
    const int width = imageInfo[4] + 256 * imageInfo[5];
    const int height = imageInfo[6] + 256 * imageInfo[7];
    const int depth = imageInfo[8];
    if (depth != 24) {
        Refuse();
        return nullptr;
    }

    // Check that the pixels are there before allocating for them: a tiny file
    // can claim 65535 x 65535 pixels.
    const std::uint64_t rowBytes = std::uint64_t(width) * 3;
    const std::uint64_t dataBytes = rowBytes * std::uint64_t(height);
    const long long size = FileSize(f);
    if (dataBytes == 0 || size < 0 || std::uint64_t(size) < 18 + dataBytes) {
        wxLogError("Couldn't read image data in TGA.");
        return nullptr;
    }

    // The toolkit sizes image buffers with int arithmetic.
    const std::uint64_t largestImage = 0x7fffffff;
    std::unique_ptr<wxImage> image(dataBytes <= largestImage ? new (std::nothrow) wxImage() : nullptr);
    if (!image || !image->Create(width, height, false) || !image->GetData()) {
        wxLogError("Couldn't create image data structure!");
        return nullptr;
    }
    unsigned char* data = image->GetData();
    if (!ReadAt(f, 18, data, std::size_t(dataBytes))) {
        wxLogError("Couldn't read image data in TGA.");
        return nullptr;
    }

    // Blue, green, red in the file; red, green, blue in the image.
    for (unsigned char* p = data; p < data + dataBytes; p += 3)
        std::swap(p[0], p[2]);

    // The file stores the bottom row first.
    std::vector<unsigned char> row(rowBytes);
    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
        unsigned char* upper = data + rowBytes * top;
        unsigned char* lower = data + rowBytes * bottom;
        std::memcpy(row.data(), upper, rowBytes);
        std::memcpy(upper, lower, rowBytes);
        std::memcpy(lower, row.data(), rowBytes);
    }

    auto* bitmap = new (std::nothrow) wxBitmap(*image);
    if (!bitmap || !bitmap->IsOk()) {
        delete bitmap;
        wxLogError("Couldn't create bitmap data structure!");
        return nullptr;
    }
    return bitmap;
}
