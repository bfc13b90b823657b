#include "io/BmpHeader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "io/DrawableSize.h"
#include "io/Platform.h"

namespace {

std::uint32_t U16(const unsigned char* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8;
}

std::uint32_t U32(const unsigned char* p)
{
    return U16(p) | U16(p + 2) << 16;
}

enum Compression : std::uint32_t { Rgb = 0, Rle8 = 1, Rle4 = 2, BitFields = 3, AlphaBitFields = 6 };

// Whether a run-length stream, from the file's position on, reaches its
// end-of-bitmap mark (0, 1) before the file ends. A run is two bytes; 0 then 0
// ends a line, 0 then 2 moves by the next two bytes, and 0 then n > 2 starts n
// literal pixels padded to an even byte count.
bool ReachesEnd(std::FILE* f, bool fourBits)
{
    for (;;) {
        const int count = std::getc(f), code = std::getc(f);
        if (code == EOF)
            return false;
        if (count != 0 || code == 0)
            continue;
        if (code == 1)
            return true;
        const long skip = code == 2 ? 2 : fourBits ? (code + 1) / 2 : code;
        if (std::fseek(f, skip + (skip & 1), SEEK_CUR) != 0)
            return false;
    }
}

}  // namespace

BmpHeader::BmpHeader(std::FILE* f)
{
    unsigned char h[14 + 40] = {};  // file header and the part of the info header used here
    const long long size = f ? platform::FileSize(f) : -1;
    const std::size_t got = size >= 0 && std::fseek(f, 0, SEEK_SET) == 0 ? std::fread(h, 1, sizeof h, f) : 0;
    if (size >= 0 && (h[0] != 'B' || h[1] != 'M'))
        return;
    if (got < 18) {
        whole = false;
        return;
    }

    const long long infoSize = U32(h + 14);
    const bool core = infoSize == 12;
    if (infoSize < 12 || (!core && infoSize < 16))
        return;
    if (size < 14 + infoSize) {
        whole = false;
        return;
    }
    // Bit fields mean masks only in the Windows headers; in OS/2's they mean Huffman coding.
    const bool windows = infoSize == 40 || infoSize == 52 || infoSize == 56 || infoSize == 108 || infoSize == 124;
    const long long bits = core ? U16(h + 24) : U16(h + 28);
    const std::uint32_t compression = core || infoSize < 20 ? Rgb : U32(h + 30);
    const long long used = infoSize >= 36 ? U32(h + 46) : 0;
    width = core ? U16(h + 18) : std::int32_t(U32(h + 18));
    height = core ? U16(h + 20) : std::llabs(std::int32_t(U32(h + 22)));
    // Sizes are only worked out for a picture that can be drawn, which keeps
    // the arithmetic far from overflowing.
    if (width <= 0 || height == 0 || !IsDrawableSize(width, height))
        return;
    const bool uncompressed =
        compression == Rgb || (windows && (compression == BitFields || compression == AlphaBitFields));
    const bool rle = windows && ((compression == Rle8 && bits == 8) || (compression == Rle4 && bits == 4));
    if (!(uncompressed || rle) || (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32))
        return;

    long long masks = 0;
    if (infoSize == 40 && compression == BitFields)
        masks = 12;
    else if (infoSize == 40 && compression == AlphaBitFields)
        masks = 16;
    const long long colours = bits > 8 ? 0 : used ? used : 1LL << bits;
    const long long paletteEnd = 14 + infoSize + masks + colours * (core ? 3 : 4);
    const long long pixelsStart = U32(h + 10);
    if (rle) {
        // The header's image size is often wrong or 0: only the stream itself tells where it ends.
        whole = size >= paletteEnd && std::fseek(f, long(pixelsStart), SEEK_SET) == 0 &&
                ReachesEnd(f, compression == Rle4);
        return;
    }
    // Rows are padded to four bytes; the toolkit needs the last row's padding too.
    const long long rowBytes = (width * bits + 31) / 32 * 4;
    whole = size >= paletteEnd && size >= pixelsStart + rowBytes * height;
}

bool BmpHeader::Acceptable() const
{
    return whole && IsDrawableSize(width, height);
}
