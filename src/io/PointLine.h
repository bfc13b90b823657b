#pragma once

#include <cstddef>

// One point's line of the track path file, as printf's "%.6f,%.6f,%.6f,%d\n"
// writes it, byte for byte (other tools read these files), but several times
// quicker: a save formats a line per point, and a path may have millions.
class PointLine {
public:
    // Room enough for any line, the largest floats included.
    static constexpr std::size_t MaxLength = 192;

    // Writes the line, newline included and no terminating null, to out (room
    // for MaxLength bytes); returns its length.
    static std::size_t Format(char* out, float x, float y, float w, int type);

private:
    static char* Fixed6(char* out, float value);
};
