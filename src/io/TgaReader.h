#pragma once

class wxBitmap;

// Reads a TGA file without identification field or colour map: true colour of
// 24 or 32 bits (alpha ignored) or 8-bit grey, uncompressed or run-length
// encoded, into a new bitmap owned by the caller; null (after reporting why)
// when it cannot. The first stored row is the bottom one unless the
// descriptor's origin bits say otherwise.
wxBitmap* ReadTga(const char* path);
