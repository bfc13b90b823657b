#pragma once

class wxBitmap;

// Reads a 24-bit uncompressed TGA file without identification field into a new
// bitmap owned by the caller; null (after reporting why) when it cannot.
wxBitmap* ReadTga(const char* path);
