#pragma once

#include <cstdint>
#include <vector>

// Thin lines laid over a square of size x size pixels, as the area of each
// pixel they cover, then blended in one colour. A general scan converter
// samples each pixel row many times and was most of the cost of a tile; the
// area under straight edges takes one pass along each edge and one along each
// row. Where lines overlap (crossings) the areas add up, capped at a whole
// pixel, as a non-zero fill with coverage by area does.
class LineCoverage {
public:
    explicit LineCoverage(int size) : size(size), cells(std::size_t(size + 1) * size, 0) {}

    // A run of joined points (device pixels, within or beyond the square),
    // stroked width wide with butt caps and bevel joins.
    void AddRun(const double* xy, int count, double width);
    // Blends the colour (0x00RRGGBB) over the pixels by what was added to
    // them, and starts afresh.
    void Blend(std::uint32_t* pixels, std::uint32_t colour);

private:
    // One edge of an outline; every outline goes the same way round.
    void AddEdge(double x0, double y0, double x1, double y1);

    int size;
    // Per row, the change of covered area from each pixel to the next, in
    // whole numbers, so that the sum comes out the same in whatever order
    // the lines were added; one extra column takes what runs off the right.
    std::vector<std::int32_t> cells;
    int top = 1 << 30, bottom = -1;  // the rows touched
    struct Corner {
        double x, y;
        double dx, dy, length, nx, ny;  // of the line from here to the next corner
    };
    std::vector<Corner> corners;
};
