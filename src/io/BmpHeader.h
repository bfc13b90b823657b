#pragma once

#include <cstdint>
#include <cstdio>

// Why a BMP file is refused. The user is told the same for each; this tells the steps apart.
enum class BmpRefusal {
    None,
    Unopened,     // not a regular file that could be opened
    NotBmp,       // no "BM" at its start
    CutShort,     // the file ends inside its headers, masks or palette
    HeaderSize,   // an info header of a size no writer uses
    Planes,       // planes other than 1
    Size,         // a width of 0 or less, or a height of 0
    TooLarge,     // more than the window can draw
    Depth,        // bits per pixel other than 1, 2, 4, 8, 16, 24 or 32
    Compression,  // JPEG, PNG, Huffman, RLE24, an unknown code, or one the depth does not take
    TopDownRle,   // run-length rows cannot be stored top first
    Masks,        // overlapping, not one run of bits, or wider than the pixel
    Palette,      // more colours than the depth indexes, or running into the pixel data
    PixelIndex,   // a pixel names a colour past the palette
    RunPastRow,   // a run or a move past the end of its row
    PastLastRow,  // pixels or a move past the last row
    NoEndMark,    // a run-length stream that stops without its end mark
    ShortPixels,  // less pixel data than the picture needs
    NoMemory,     // the picture could not be held
};

// The headers, bit masks and palette of a BMP file, read and checked before any
// pixel: every size is worked out in 64 bits and held against what the file
// holds, and against what can be drawn, before anything is allocated.
class BmpHeader {
public:
    // Reads the open file of the given byte count from its start.
    BmpHeader(std::FILE* file, long long fileSize);

    // How the pixels are stored.
    enum Coding { Plain, Rle8, Rle4 };

    BmpRefusal refusal = BmpRefusal::None;
    long long width = 0, height = 0;  // the height without the sign of top-down rows
    bool topDown = false;
    int bits = 0;
    Coding coding = Plain;
    long long pixelsAt = 0;          // where the pixel data starts, from the file header
    std::uint32_t masks[3] = {};     // red, green and blue, for 16 and 32 bits
    int colours = 0;                 // palette entries, for 8 bits and fewer
    unsigned char palette[256][3] = {};  // red, green, blue

private:
    BmpRefusal Read(std::FILE* file, long long fileSize);
};
