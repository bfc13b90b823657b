#pragma once

// What the headers of a BMP file promise, read without decoding its pixels, so
// that a file cut short is refused: the toolkit shows one as a black picture
// and calls it a success.
class BmpHeader {
public:
    // A file whose headers are of no kind known here is left to the toolkit.
    explicit BmpHeader(const char* path);

    // The file holds all its headers promise, and the picture can be drawn.
    bool Acceptable() const;

    long long width = 0;   // as the headers say; 0 when unknown
    long long height = 0;  // without the sign that marks top-down rows
    bool whole = true;     // headers, palette and (uncompressed) pixels all fit in the file
};
