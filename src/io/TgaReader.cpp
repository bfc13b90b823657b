#include "io/TgaReader.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include <wx/bitmap.h>
#include <wx/image.h>
#include <wx/log.h>

#include "io/DrawableSize.h"
#include "io/Platform.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool ReadAt(std::FILE* f, long offset, void* into, std::size_t size)
{
    return std::fseek(f, offset, SEEK_SET) == 0 && std::fread(into, 1, size, f) == size;
}

bool Refuse()
{
    wxLogError("Sorry, I don't know how to read your TGA file!");
    return false;
}

enum ImageType : unsigned char { TrueColour = 2, Grey = 3, RleTrueColour = 10, RleGrey = 11 };

// Bytes per stored pixel of the kinds read here; 0 for any other kind.
int BytesPerPixel(unsigned char type, unsigned char depth)
{
    switch (type) {
    case TrueColour:
    case RleTrueColour:
        return depth == 24 ? 3 : depth == 32 ? 4 : 0;
    case Grey:
    case RleGrey:
        return depth == 8 ? 1 : 0;
    default:
        return 0;
    }
}

// One stored pixel (blue, green, red and maybe alpha, or a grey level) as red, green, blue.
inline void PutRgb(const unsigned char* from, int bytes, unsigned char* to)
{
    if (bytes == 1) {
        to[0] = to[1] = to[2] = from[0];
    } else {
        to[0] = from[2];
        to[1] = from[1];
        to[2] = from[0];
    }
}

// Uncompressed pixels of other depths, converted one stored row at a time.
bool ReadRows(std::FILE* f, int bytes, int width, int height, unsigned char* data)
{
    std::vector<unsigned char> row(std::size_t(width) * bytes);
    for (int y = 0; y < height; ++y) {
        if (std::fread(row.data(), 1, row.size(), f) != row.size())
            return false;
        unsigned char* to = data + std::size_t(y) * width * 3;
        for (int x = 0; x < width; ++x, to += 3)
            PutRgb(&row[std::size_t(x) * bytes], bytes, to);
    }
    return true;
}

// Run-length packets until the picture is full: false when a packet would run
// past the picture or the file ends first. Packets may span rows.
bool DecodeRle(std::FILE* f, int bytes, std::uint64_t pixels, unsigned char* data)
{
    unsigned char packet[128 * 4];
    std::uint64_t done = 0;
    while (done < pixels) {
        const int header = std::getc(f);
        if (header == EOF)
            return false;
        const unsigned count = (unsigned(header) & 0x7f) + 1;
        if (count > pixels - done)
            return false;
        unsigned char* to = data + done * 3;
        if (header & 0x80) {
            if (std::fread(packet, std::size_t(bytes), 1, f) != 1)
                return false;
            unsigned char rgb[3];
            PutRgb(packet, bytes, rgb);
            for (unsigned i = 0; i < count; ++i, to += 3)
                std::memcpy(to, rgb, 3);
        } else {
            if (std::fread(packet, std::size_t(bytes), count, f) != count)
                return false;
            for (unsigned i = 0; i < count; ++i, to += 3)
                PutRgb(packet + i * bytes, bytes, to);
        }
        done += count;
    }
    return true;
}

}  // namespace

wxBitmap* ReadTga(const char* path)
{
    // Regular files only: a folder holds no picture, and a pipe would keep the window waiting.
    File file(platform::OpenRegularFile(path));
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
    // Colour-mapped pixels and other kinds would be shown as noise.
    if (colourMapType != 0) {
        Refuse();
        return nullptr;
    }
    if (!ReadAt(f, 2, &imageType, 1)) {
        wxLogError("Couldn't read image type field in TGA.");
        return nullptr;
    }
    if (imageType != TrueColour && imageType != Grey && imageType != RleTrueColour && imageType != RleGrey) {
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
    const int bytes = BytesPerPixel(imageType, imageInfo[8]);
    const unsigned char descriptor = imageInfo[9];
    if (bytes == 0) {
        Refuse();
        return nullptr;
    }
    const bool rle = imageType == RleTrueColour || imageType == RleGrey;

    // Check that the pixels can be there before allocating for them: a tiny
    // file can claim 65535 x 65535 pixels. A run-length packet holds at most
    // 128 pixels.
    const std::uint64_t pixels = std::uint64_t(width) * std::uint64_t(height);
    const std::uint64_t leastData = rle ? (pixels + 127) / 128 * (1 + bytes) : pixels * bytes;
    const long long size = platform::FileSize(f);
    if (pixels == 0 || size < 0 || std::uint64_t(size) < 18 + leastData) {
        wxLogError("Couldn't read image data in TGA.");
        return nullptr;
    }
    if (!IsDrawableSize(width, height)) {
        wxLogError("Couldn't create bitmap data structure!");
        return nullptr;
    }

    const std::uint64_t rowBytes = std::uint64_t(width) * 3;
    const std::uint64_t dataBytes = rowBytes * std::uint64_t(height);
    std::unique_ptr<wxImage> image(new (std::nothrow) wxImage());
    if (!image || !image->Create(width, height, false) || !image->GetData()) {
        wxLogError("Couldn't create image data structure!");
        return nullptr;
    }
    unsigned char* data = image->GetData();
    bool read;
    if (!rle && bytes == 3) {
        // The common kind: one read straight into the image, then blue, green,
        // red become red, green, blue in place.
        read = ReadAt(f, 18, data, std::size_t(dataBytes));
        if (read)
            for (unsigned char* p = data; p < data + dataBytes; p += 3)
                std::swap(p[0], p[2]);
    } else {
        read = std::fseek(f, 18, SEEK_SET) == 0 &&
               (rle ? DecodeRle(f, bytes, pixels, data) : ReadRows(f, bytes, width, height, data));
    }
    if (!read) {
        wxLogError("Couldn't read image data in TGA.");
        return nullptr;
    }

    // Bits 5 and 4 of the descriptor give the corner of the first stored pixel:
    // the top row first when bit 5 is set, else the bottom row (the format's
    // default, and what most writers use); each row right to left when bit 4 is
    // set. GIMP and many game tools write the top-left corner first. Right-to-left
    // rows are rare but just as plainly meant, and one pass follows them:
    // refusing them would turn away a picture that can be shown as drawn.
    if (!(descriptor & 0x20)) {
        std::vector<unsigned char> row(rowBytes);
        for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
            unsigned char* upper = data + rowBytes * top;
            unsigned char* lower = data + rowBytes * bottom;
            std::memcpy(row.data(), upper, rowBytes);
            std::memcpy(upper, lower, rowBytes);
            std::memcpy(lower, row.data(), rowBytes);
        }
    }
    if (descriptor & 0x10)
        for (unsigned char* row = data; row < data + dataBytes; row += rowBytes)
            for (unsigned char *left = row, *right = row + rowBytes - 3; left < right; left += 3, right -= 3)
                std::swap_ranges(left, left + 3, right);

    auto* bitmap = new (std::nothrow) wxBitmap(*image);
    if (!bitmap || !bitmap->IsOk()) {
        delete bitmap;
        wxLogError("Couldn't create bitmap data structure!");
        return nullptr;
    }
    return bitmap;
}
