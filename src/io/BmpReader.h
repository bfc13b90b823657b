#pragma once

class wxBitmap;

// Reads a Windows BMP file through the toolkit into a new bitmap owned by the
// caller, once its headers show that the file holds the whole picture and that
// the picture can be drawn; null, after reporting it, when it cannot.
wxBitmap* ReadBmp(const char* path);
