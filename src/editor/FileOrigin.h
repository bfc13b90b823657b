#pragma once

#include <cstdint>
#include <optional>

class TrackPath;

// What the file behind a path holds, as far as this run knows: whether the
// path's name is a file it was read from or written to, and a print of the
// points that file holds. A path whose own print differs has changes that
// leaving would lose; one with no print has them whatever it holds.
struct FileOrigin {
    bool onDisk = false;
    std::optional<std::uint64_t> print = Print(nullptr);

    // The points as a save writes them (count, positions, widths, types), hashed;
    // null for a path with none.
    static std::uint64_t Print(const TrackPath* path);
};
