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

enum ImageType : unsigned char {
    Mapped = 1, TrueColour = 2, Grey = 3, RleMapped = 9, RleTrueColour = 10, RleGrey = 11
};

// Bytes per stored pixel of the kinds read here; 0 for any other kind.
int BytesPerPixel(unsigned char type, unsigned char depth)
{
    switch (type) {
    case TrueColour:
    case RleTrueColour:
        return depth == 15 || depth == 16 ? 2 : depth == 24 ? 3 : depth == 32 ? 4 : 0;
    case Mapped:
    case RleMapped:
    case Grey:
    case RleGrey:
        return depth == 8 ? 1 : 0;
    default:
        return 0;
    }
}

// A 5-bit channel scaled to 0-255 with rounding.
inline unsigned char Scale5(unsigned v)
{
    return (unsigned char)(((v & 31) * 255 + 15) / 31);
}

// One stored colour (blue, green, red and maybe alpha; 5-5-5 in two bytes; or a
// grey level) as red, green, blue.
inline void PutRgb(const unsigned char* from, int bytes, unsigned char* to)
{
    if (bytes == 1) {
        to[0] = to[1] = to[2] = from[0];
    } else if (bytes == 2) {
        const unsigned v = from[0] | from[1] << 8;
        to[0] = Scale5(v >> 10), to[1] = Scale5(v >> 5), to[2] = Scale5(v);
    } else {
        to[0] = from[2];
        to[1] = from[1];
        to[2] = from[0];
    }
}

// How stored pixels become colours: directly, or through the colour map.
struct Pixels {
    int bytes = 0;                    // per stored pixel
    std::vector<unsigned char> map;   // red, green, blue per entry; empty without one
    unsigned first = 0;               // the index of the map's first entry

    // False for an index outside the map.
    bool Put(const unsigned char* from, unsigned char* to) const
    {
        if (map.empty())
            return PutRgb(from, bytes, to), true;
        const unsigned entry = from[0] - first;  // wraps past the end for an index below the first
        if (from[0] < first || entry >= map.size() / 3)
            return false;
        std::memcpy(to, &map[entry * 3], 3);
        return true;
    }
};

// Uncompressed pixels of other depths, converted one stored row at a time.
bool ReadRows(std::FILE* f, const Pixels& px, int width, int height, unsigned char* data)
{
    std::vector<unsigned char> row(std::size_t(width) * px.bytes);
    for (int y = 0; y < height; ++y) {
        if (std::fread(row.data(), 1, row.size(), f) != row.size())
            return false;
        unsigned char* to = data + std::size_t(y) * width * 3;
        for (int x = 0; x < width; ++x, to += 3)
            if (!px.Put(&row[std::size_t(x) * px.bytes], to))
                return false;
    }
    return true;
}

// Run-length packets until the picture is full: false when a packet would run
// past the picture or the file ends first. Packets may span rows.
bool DecodeRle(std::FILE* f, const Pixels& px, std::uint64_t pixels, unsigned char* data)
{
    const std::size_t bytes = std::size_t(px.bytes);
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
            unsigned char rgb[3];
            if (std::fread(packet, bytes, 1, f) != 1 || !px.Put(packet, rgb))
                return false;
            for (unsigned i = 0; i < count; ++i, to += 3)
                std::memcpy(to, rgb, 3);
        } else {
            if (std::fread(packet, bytes, count, f) != count)
                return false;
            for (unsigned i = 0; i < count; ++i, to += 3)
                if (!px.Put(packet + i * bytes, to))
                    return false;
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
    // A colour map is either there (1) or not (0).
    if (colourMapType > 1) {
        Refuse();
        return nullptr;
    }
    if (!ReadAt(f, 2, &imageType, 1)) {
        wxLogError("Couldn't read image type field in TGA.");
        return nullptr;
    }
    if (BytesPerPixel(imageType, 8) + BytesPerPixel(imageType, 24) == 0) {  // a kind read here at no depth
        Refuse();
        return nullptr;
    }
    // The colour map's fields (bytes 3 to 7), then the image's (8 to 17).
    unsigned char fields[15];
    if (!ReadAt(f, 3, fields, sizeof fields)) {
        wxLogError("Couldn't read image specification field in TGA.");
        return nullptr;
    }
    const unsigned char* imageInfo = fields + 5;
    const int width = imageInfo[4] + 256 * imageInfo[5];
    const int height = imageInfo[6] + 256 * imageInfo[7];
    const unsigned char descriptor = imageInfo[9];
    Pixels px;
    px.bytes = BytesPerPixel(imageType, imageInfo[8]);
    const bool mapped = imageType == Mapped || imageType == RleMapped;
    // Map entries of 15 or 16 bits are 5-5-5 like such pixels, others blue, green, red (and alpha).
    const unsigned mapLength = fields[2] + 256u * fields[3], mapBits = fields[4], mapBytes = (mapBits + 7) / 8;
    if (px.bytes == 0 || (mapped && (colourMapType != 1 || mapLength == 0 ||
                                     (mapBits != 15 && mapBits != 16 && mapBits != 24 && mapBits != 32)))) {
        Refuse();
        return nullptr;
    }
    const bool rle = imageType >= RleMapped;
    // A map beside true-colour or grey pixels is only skipped.
    const long dataAt = 18 + long(colourMapType ? mapLength * mapBytes : 0);

    // Check that the pixels can be there before allocating for them: a tiny
    // file can claim 65535 x 65535 pixels. A run-length packet holds at most
    // 128 pixels.
    const std::uint64_t pixels = std::uint64_t(width) * std::uint64_t(height);
    const std::uint64_t leastData = rle ? (pixels + 127) / 128 * (1 + px.bytes) : pixels * px.bytes;
    const long long size = platform::FileSize(f);
    if (pixels == 0 || size < 0 || std::uint64_t(size) < std::uint64_t(dataAt) + leastData) {
        wxLogError("Couldn't read image data in TGA.");
        return nullptr;
    }
    if (!IsDrawableSize(width, height)) {
        wxLogError("Couldn't create bitmap data structure!");
        return nullptr;
    }

    if (mapped) {
        std::vector<unsigned char> entries(mapLength * mapBytes);
        if (!ReadAt(f, 18, entries.data(), entries.size())) {
            wxLogError("Couldn't read image data in TGA.");
            return nullptr;
        }
        px.first = fields[0] + 256u * fields[1];
        px.map.resize(mapLength * 3);
        for (unsigned i = 0; i < mapLength; ++i)
            PutRgb(&entries[i * mapBytes], int(mapBytes), &px.map[i * 3]);
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
    if (!rle && px.bytes == 3) {
        // The common kind: one read straight into the image, then blue, green,
        // red become red, green, blue in place.
        read = ReadAt(f, dataAt, data, std::size_t(dataBytes));
        if (read)
            for (unsigned char* p = data; p < data + dataBytes; p += 3)
                std::swap(p[0], p[2]);
    } else {
        read = std::fseek(f, dataAt, SEEK_SET) == 0 &&
               (rle ? DecodeRle(f, px, pixels, data) : ReadRows(f, px, width, height, data));
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
