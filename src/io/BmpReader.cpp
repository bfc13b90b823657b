#include "io/BmpReader.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include <wx/bitmap.h>
#include <wx/image.h>
#include <wx/log.h>

#include "io/Platform.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The pixel data may start anywhere in the first 4 GB, past what a long reaches on Windows.
bool SeekTo(std::FILE* f, long long offset)
{
#ifdef _WIN32
    return _fseeki64(f, offset, SEEK_SET) == 0;
#else
    return fseeko(f, off_t(offset), SEEK_SET) == 0;
#endif
}

// One colour of a masked pixel, scaled from the mask's width to 0-255 with rounding.
class Channel {
public:
    explicit Channel(std::uint32_t bits) : mask(bits)
    {
        while (bits != 0 && !(bits & 1))
            bits >>= 1, ++shift;
        top = bits;
        if (top != 255 && top < 65536)
            for (std::uint32_t v = 0; v <= top; ++v)
                scaled.push_back(Scale(v));
    }

    unsigned char operator()(std::uint32_t pixel) const
    {
        const std::uint32_t v = (pixel & mask) >> shift;
        return top == 255 ? (unsigned char)v : v < scaled.size() ? scaled[v] : Scale(v);
    }

private:
    unsigned char Scale(std::uint32_t v) const { return top ? (unsigned char)((v * 255ull + top / 2) / top) : 0; }

    std::uint32_t mask, top = 0;
    int shift = 0;
    std::vector<unsigned char> scaled;  // for masks up to 16 bits wide
};

// Uncompressed rows, bottom first unless the header says top first, each padded to
// four bytes; the last row needs no padding. One stored row is held at a time.
BmpRefusal ReadRows(std::FILE* f, const BmpHeader& h, unsigned char* data)
{
    const int bits = h.bits;
    const std::size_t width = std::size_t(h.width), stride = (width * bits + 31) / 32 * 4;
    std::vector<unsigned char> row(stride);
    const Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]);
    for (long long y = 0; y < h.height; ++y) {
        const std::size_t want = y + 1 < h.height ? stride : (width * bits + 7) / 8;
        if (std::fread(row.data(), 1, want, f) != want)
            return BmpRefusal::ShortPixels;
        unsigned char* to = data + std::size_t(h.topDown ? y : h.height - 1 - y) * width * 3;
        const unsigned char* p = row.data();
        if (bits == 24) {
            for (std::size_t x = 0; x < width; ++x, to += 3, p += 3)
                to[0] = p[2], to[1] = p[1], to[2] = p[0];
        } else if (bits > 8) {
            for (std::size_t x = 0; x < width; ++x, to += 3, p += bits / 8) {
                const std::uint32_t v =
                    bits == 16 ? p[0] | p[1] << 8 : p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24;
                to[0] = red(v), to[1] = green(v), to[2] = blue(v);
            }
        } else {
            // Palette indices, the leftmost pixel in the high bits of its byte.
            for (std::size_t x = 0, bit = 0; x < width; ++x, to += 3, bit += bits) {
                const unsigned index = (p[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                if (index >= unsigned(h.colours))
                    return BmpRefusal::PixelIndex;
                std::memcpy(to, h.palette[index], 3);
            }
        }
    }
    return BmpRefusal::None;
}

// A run-length stream (RLE8, or RLE4 with two pixels a byte), rows bottom first:
// two-byte runs; 0 then 0 ends a line, 0 then 1 the picture, 0 then 2 moves right
// and up by the next two bytes, 0 then n > 2 gives n pixels as they are, padded to
// an even byte count. With no data the stream is only checked, before the
// picture is allocated. Runs may fill a row up to its padding, as its stored
// bytes would (ImageMagick writes them so); the pixels past the width are dropped.
BmpRefusal DecodeRle(std::FILE* f, const BmpHeader& h, unsigned char* data)
{
    if (!SeekTo(f, h.pixelsAt))
        return BmpRefusal::NoEndMark;
    const bool four = h.coding == BmpHeader::Rle4;
    const long long rowEnd = (h.width * h.bits + 31) / 32 * 32 / h.bits;
    long long x = 0, y = 0;  // y counts rows from the bottom
    const auto put = [&](unsigned index) {
        if (index >= unsigned(h.colours))
            return false;
        if (data && x < h.width)
            std::memcpy(data + ((h.height - 1 - y) * h.width + x) * 3, h.palette[index], 3);
        ++x;
        return true;
    };
    unsigned char run[256];
    for (;;) {
        const int count = std::getc(f), code = std::getc(f);
        if (count == EOF || code == EOF)
            return BmpRefusal::NoEndMark;
        if (count == 0 && code == 1)
            return BmpRefusal::None;
        if (y >= h.height)
            return BmpRefusal::PastLastRow;  // an end of line may close the last row, no more
        if (count > 0) {
            if (x + count > rowEnd)
                return BmpRefusal::RunPastRow;
            for (int i = 0; i < count; ++i)
                if (!put(four ? (i & 1 ? code & 15 : code >> 4) : code))
                    return BmpRefusal::PixelIndex;
        } else if (code == 0) {
            x = 0, ++y;
        } else if (code == 2) {
            const int right = std::getc(f), up = std::getc(f);
            if (right == EOF || up == EOF)
                return BmpRefusal::NoEndMark;
            if (x + right > rowEnd)
                return BmpRefusal::RunPastRow;
            x += right, y += up;
            if (y >= h.height)
                return BmpRefusal::PastLastRow;
        } else {
            if (x + code > rowEnd)
                return BmpRefusal::RunPastRow;
            const std::size_t bytes = four ? (code + 1) / 2 : code;
            if (std::fread(run, 1, bytes + (bytes & 1), f) != bytes + (bytes & 1))
                return BmpRefusal::NoEndMark;
            for (int i = 0; i < code; ++i)
                if (!put(four ? (i & 1 ? run[i / 2] & 15 : run[i / 2] >> 4) : run[i]))
                    return BmpRefusal::PixelIndex;
        }
    }
}

std::unique_ptr<wxBitmap> Decode(std::FILE* f, BmpRefusal& refusal)
{
    const long long size = platform::FileSize(f);
    const BmpHeader h(f, size);
    if ((refusal = h.refusal) != BmpRefusal::None)
        return nullptr;
    const bool rle = h.coding != BmpHeader::Plain;
    if (rle) {
        if ((refusal = DecodeRle(f, h, nullptr)) != BmpRefusal::None)
            return nullptr;
    } else {
        // The header's image size is often 0 or wrong: the rows tell what is needed.
        const long long stride = (h.width * h.bits + 31) / 32 * 4, last = (h.width * h.bits + 7) / 8;
        if (h.pixelsAt + stride * (h.height - 1) + last > size || !SeekTo(f, h.pixelsAt)) {
            refusal = BmpRefusal::ShortPixels;
            return nullptr;
        }
    }
    // Pixels a run-length stream skips stay black.
    wxImage image;
    if (!image.Create(int(h.width), int(h.height), rle) || !image.GetData()) {
        refusal = BmpRefusal::NoMemory;
        return nullptr;
    }
    refusal = rle ? DecodeRle(f, h, image.GetData()) : ReadRows(f, h, image.GetData());
    if (refusal != BmpRefusal::None)
        return nullptr;
    std::unique_ptr<wxBitmap> bitmap(new (std::nothrow) wxBitmap(image));
    if (!bitmap || !bitmap->IsOk()) {
        refusal = BmpRefusal::NoMemory;
        return nullptr;
    }
    return bitmap;
}

}  // namespace

wxBitmap* ReadBmp(const char* path, BmpRefusal* why)
{
    // Regular files only, so that a pipe cannot keep the window waiting.
    BmpRefusal refusal = BmpRefusal::Unopened;
    std::unique_ptr<wxBitmap> picture;
    if (File file{platform::OpenRegularFile(path)})
        picture = Decode(file.get(), refusal);
    if (why)
        *why = refusal;
    if (!picture)
        wxLogError("An error occurred during bitmap load.  Sorry I don't know what happened!");
    return picture.release();
}
