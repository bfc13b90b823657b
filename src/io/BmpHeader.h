#pragma once

#include <cstdio>

// What the headers of a BMP file promise, checked without decoding its pixels,
// so that a file cut short is refused: the toolkit shows one as a black picture
// and calls it a success.
class BmpHeader {
public:
    // Reads the open file from its start. A file whose headers are of no kind
    // known here is left to the toolkit.
    explicit BmpHeader(std::FILE* file);

    // The file holds all its headers promise, and the picture can be drawn.
    bool Acceptable() const;

    long long width = 0;   // as the headers say; 0 when unknown
    long long height = 0;  // without the sign that marks top-down rows
    bool whole = true;     // headers, palette and pixels (or a whole run-length stream) all in the file
};
