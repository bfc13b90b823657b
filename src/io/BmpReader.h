#pragma once

#include "io/BmpHeader.h"

class wxBitmap;

// Reads a BMP file into a new bitmap owned by the caller: the OS/2 and Windows
// headers, 1 to 8 bits with a palette, 16 and 32 bits with any masks, 24 bits,
// RLE8 and RLE4 (pixels the stream leaves unset are black), rows bottom first or
// top first; alpha is ignored. Null, after reporting it, when the file cannot be
// read; why goes to *why when asked. Holds the picture and one stored row at most.
wxBitmap* ReadBmp(const char* path, BmpRefusal* why = nullptr);
