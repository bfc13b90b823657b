#include "io/BmpHeader.h"

#include <cstdint>
#include <cstdio>

#include "io/DrawableSize.h"

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

// The info header sizes of Windows: 40 (with masks after it for bit fields),
// 52 and 56 (masks inside), V4 and V5. OS/2 2.x uses any other size from 16 to 64,
// with unsigned sizes and its own meaning for compression codes 3 and 4.
bool IsWindowsHeader(long long size)
{
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

// A mask is one unbroken run of bits within the pixel.
bool IsSoundMask(std::uint32_t mask, int bits)
{
    if (bits < 32 && mask >> bits != 0)
        return false;
    while (mask != 0 && !(mask & 1))
        mask >>= 1;
    return (mask & (std::uint64_t(mask) + 1)) == 0;
}

}  // namespace

BmpHeader::BmpHeader(std::FILE* file, long long fileSize)
{
    refusal = Read(file, fileSize);
}

BmpRefusal BmpHeader::Read(std::FILE* f, long long size)
{
    // The file header, the longest info header and the masks that may follow a short one.
    unsigned char h[14 + 124 + 16] = {};
    if (size < 0 || std::fseek(f, 0, SEEK_SET) != 0)
        return BmpRefusal::CutShort;
    const std::size_t got = std::fread(h, 1, sizeof h, f);
    if (got < 2 || h[0] != 'B' || h[1] != 'M')
        return BmpRefusal::NotBmp;
    if (size < 18 || got < 18)
        return BmpRefusal::CutShort;

    const long long infoSize = U32(h + 14);
    const bool core = infoSize == 12, windows = IsWindowsHeader(infoSize);
    if (!core && !windows && (infoSize < 16 || infoSize > 64))
        return BmpRefusal::HeaderSize;
    if (size < 14 + infoSize || std::size_t(14 + infoSize) > got)
        return BmpRefusal::CutShort;

    long long rawHeight;
    int planes;
    std::uint32_t compression = Rgb, used = 0;
    if (core) {
        width = U16(h + 18);
        rawHeight = U16(h + 20);
        planes = int(U16(h + 22));
        bits = int(U16(h + 24));
    } else {
        // Windows sizes are signed (a negative height stores the top row first), OS/2 ones not.
        width = windows ? (long long)std::int32_t(U32(h + 18)) : (long long)U32(h + 18);
        rawHeight = windows ? (long long)std::int32_t(U32(h + 22)) : (long long)U32(h + 22);
        planes = int(U16(h + 26));
        bits = int(U16(h + 28));
        if (infoSize >= 20)
            compression = U32(h + 30);
        if (infoSize >= 36)
            used = U32(h + 46);
    }
    topDown = rawHeight < 0;
    height = topDown ? -rawHeight : rawHeight;
    if (planes != 1)
        return BmpRefusal::Planes;
    if (width <= 0 || height == 0)
        return BmpRefusal::Size;
    if (!IsDrawableSize(width, height))
        return BmpRefusal::TooLarge;
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return BmpRefusal::Depth;

    // Masks come only from Windows headers: after the 40-byte one, inside the longer ones.
    const bool masked = windows && (compression == BitFields || compression == AlphaBitFields);
    if (compression == Rle8 && bits == 8)
        coding = Rle8;
    else if (compression == Rle4 && bits == 4)
        coding = Rle4;
    else if (!(compression == Rgb || (masked && (bits == 16 || bits == 32))))
        return BmpRefusal::Compression;
    if (topDown && coding != Plain)
        return BmpRefusal::TopDownRle;

    long long paletteAt = 14 + infoSize;
    if (masked) {
        if (infoSize == 40)
            paletteAt += compression == BitFields ? 12 : 16;
        if (size < paletteAt)
            return BmpRefusal::CutShort;
        for (int i = 0; i < 3; ++i)
            masks[i] = U32(h + 54 + 4 * i);
        for (int i = 0; i < 3; ++i)
            if (!IsSoundMask(masks[i], bits) || (masks[i] & masks[(i + 1) % 3]) != 0)
                return BmpRefusal::Masks;
    } else if (bits == 16) {
        masks[0] = 0x7c00, masks[1] = 0x03e0, masks[2] = 0x001f;
    } else if (bits == 32) {
        masks[0] = 0xff0000, masks[1] = 0xff00, masks[2] = 0xff;
    }

    pixelsAt = U32(h + 10);
    if (bits > 8)
        return BmpRefusal::None;  // a palette stored for display only is not needed
    // A palette may be shorter than the depth allows; the colours-used field says so.
    if (used > 1u << bits)
        return BmpRefusal::Palette;
    colours = used ? int(used) : 1 << bits;
    const int entry = core ? 3 : 4;  // blue, green, red, and a fourth byte outside OS/2 1.x
    if (paletteAt + colours * entry > pixelsAt)
        return BmpRefusal::Palette;
    unsigned char entries[256 * 4];
    if (std::fseek(f, long(paletteAt), SEEK_SET) != 0 ||
        std::fread(entries, std::size_t(entry), std::size_t(colours), f) != std::size_t(colours))
        return BmpRefusal::CutShort;
    for (int i = 0; i < colours; ++i)
        for (int c = 0; c < 3; ++c)
            palette[i][c] = entries[i * entry + 2 - c];
    return BmpRefusal::None;
}
