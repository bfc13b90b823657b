#include "view/LineCoverage.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// The area of a whole pixel.
constexpr double One = 1 << 16;

std::int32_t Units(double area) { return std::int32_t(area * One + (area < 0 ? -0.5 : 0.5)); }

}  // namespace

void LineCoverage::AddRun(const double* xy, int count, double width)
{
    // The corners without repeats, which are neither a line nor a turn.
    corners.clear();
    for (int i = 0; i < count; ++i) {
        const std::size_t n = corners.size();
        if (n == 0 || corners[n - 2] != xy[2 * i] || corners[n - 1] != xy[2 * i + 1])
            corners.insert(corners.end(), {xy[2 * i], xy[2 * i + 1]});
    }
    const int lines = int(corners.size() / 2) - 1;
    if (lines < 1)
        return;
    const double half = width / 2;
    // Line i's half-width step to its left (the +n side).
    auto normal = [&](int i, double& nx, double& ny) {
        const double dx = corners[2 * i + 2] - corners[2 * i], dy = corners[2 * i + 3] - corners[2 * i + 1];
        const double f = half / std::sqrt(dx * dx + dy * dy);
        nx = -dy * f, ny = dx * f;
    };
    // Whether the turn from line i to line i + 1 leaves its notch on the +n side.
    auto leftOuter = [&](int i) {
        double nx, ny;
        normal(i, nx, ny);
        const double* c = &corners[2 * i + 2];
        return (c[2] - c[0]) * nx + (c[3] - c[1]) * ny <= 0;
    };
    // The outline: along the +n side, across the end, back along the -n side
    // and across the start. On the outer side of a turn the bevel joins the
    // two lines' sides; on the inner side the outline runs through the point,
    // so that each line's side ends square there, as its own outline would.
    double atX = 0, atY = 0, startX = 0, startY = 0;
    auto to = [&](double x, double y) {
        AddEdge(atX, atY, x, y);
        atX = x, atY = y;
    };
    double nx, ny;
    normal(0, nx, ny);
    atX = startX = corners[0] + nx, atY = startY = corners[1] + ny;
    for (int i = 0; i < lines; ++i) {
        const double* c = &corners[2 * i + 2];
        normal(i, nx, ny);
        to(c[0] + nx, c[1] + ny);
        if (i + 1 < lines) {
            if (!leftOuter(i))
                to(c[0], c[1]);
            normal(i + 1, nx, ny);
            to(c[0] + nx, c[1] + ny);
        }
    }
    to(corners[2 * lines] - nx, corners[2 * lines + 1] - ny);
    for (int i = lines - 1; i >= 0; --i) {
        const double* c = &corners[2 * i];
        normal(i, nx, ny);
        to(c[0] - nx, c[1] - ny);
        if (i > 0) {
            if (leftOuter(i - 1))
                to(c[0], c[1]);
            normal(i - 1, nx, ny);
            to(c[0] - nx, c[1] - ny);
        }
    }
    to(startX, startY);
}

void LineCoverage::AddEdge(double x0, double y0, double x1, double y1)
{
    if (y0 == y1)
        return;
    double sign = 1;
    if (y0 > y1) {
        std::swap(x0, x1), std::swap(y0, y1);
        sign = -1;
    }
    const double from = std::max(y0, 0.0), to = std::min(y1, double(size));
    if (from >= to)
        return;
    const double dxdy = (x1 - x0) / (y1 - y0);
    const int first = int(from), last = int(std::ceil(to)) - 1;  // from is not negative: int() is its floor
    top = std::min(top, first), bottom = std::max(bottom, last);
    double ya = from, xa = x0 + (from - y0) * dxdy;
    for (int j = first; j <= last; ++j) {
        // The edge's piece in this row, left to right, and its signed height.
        const double yb = std::min(to, j + 1.0), xb = x0 + (yb - y0) * dxdy;
        double xl = std::min(xa, xb), xr = std::max(xa, xb), height = (yb - ya) * sign;
        ya = yb, xa = xb;
        std::int32_t* row = &cells[std::size_t(j) * (size + 1)];
        if (xr <= 0) {
            row[0] += Units(height);  // left of the square: a full pixel from its first column on
            continue;
        }
        if (xl >= size)
            continue;
        if (xl < 0) {
            const double left = height * -xl / (xr - xl);
            row[0] += Units(left);
            height -= left;
            xl = 0;
        }
        // Each column's share of the height: the pixels right of that column
        // are covered by all of it, the column itself by the part right of the edge.
        auto column = [row](int k, double h, double right) {
            const std::int32_t all = Units(h), part = Units(right);
            row[k] += part;
            row[k + 1] += all - part;
        };
        const int c = int(xl);
        if (xr <= c + 1) {
            column(c, height, height * (c + 1 - (xl + xr) / 2));
            continue;
        }
        const double perX = height / (xr - xl);
        for (int k = c; k < size && k < xr; ++k) {
            const double u = std::max(xl, double(k)), v = std::min(xr, k + 1.0), h = perX * (v - u);
            column(k, h, h * (k + 1 - (u + v) / 2));
        }
    }
}

void LineCoverage::Blend(std::uint32_t* pixels, std::uint32_t colour)
{
    const unsigned red = colour >> 16 & 0xff, green = colour >> 8 & 0xff, blue = colour & 0xff;
    for (int j = top; j <= bottom; ++j) {
        std::int32_t* row = &cells[std::size_t(j) * (size + 1)];
        std::uint32_t* out = pixels + std::size_t(j) * size;
        std::int32_t covered = 0;
        for (int i = 0; i < size; ++i) {
            covered += row[i];
            row[i] = 0;
            const std::int64_t area = std::min<std::int64_t>(std::abs(std::int64_t(covered)), std::int64_t(One));
            const unsigned a = unsigned((area * 255 + std::int64_t(One) / 2) >> 16);
            if (a == 0)
                continue;
            const std::uint32_t p = out[i];
            auto mix = [a](unsigned over, unsigned under) { return (over * a + under * (255 - a) + 127) / 255; };
            out[i] = mix(red, p >> 16 & 0xff) << 16 | mix(green, p >> 8 & 0xff) << 8 | mix(blue, p & 0xff);
        }
        row[size] = 0;
    }
    top = 1 << 30, bottom = -1;
}
