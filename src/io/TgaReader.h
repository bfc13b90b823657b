#pragma once

class wxBitmap;

// Reads a TGA file without identification field: true colour of 15, 16, 24 or
// 32 bits (alpha ignored), 8-bit grey, or 8-bit indices into a colour map of 15,
// 16, 24 or 32-bit entries, uncompressed or run-length encoded, into a new bitmap
// owned by the caller; null (after reporting why) when it cannot. The first stored row is the bottom one unless the
// descriptor's origin bits say otherwise.
wxBitmap* ReadTga(const char* path);
