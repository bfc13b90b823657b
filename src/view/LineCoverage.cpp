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
    // The corners without repeats, which are neither a line nor a turn, and
    // each line's direction, length and half-width step to its left (+n).
    corners.clear();
    for (int i = 0; i < count; ++i) {
        const double x = xy[2 * i], y = xy[2 * i + 1];
        if (!corners.empty() && corners.back().x == x && corners.back().y == y)
            continue;
        if (!corners.empty()) {
            Corner& last = corners.back();
            last.length = std::sqrt((x - last.x) * (x - last.x) + (y - last.y) * (y - last.y));
            last.dx = (x - last.x) / last.length, last.dy = (y - last.y) / last.length;
            last.nx = -last.dy * width / 2, last.ny = last.dx * width / 2;
        }
        corners.push_back({x, y, 0, 0, 0, 0, 0});
    }
    const int lines = int(corners.size()) - 1;
    if (lines < 1)
        return;
    // The outline: along the +n side, across the end, back along the -n side
    // and across the start. On the outer side of a turn a bevel joins the two
    // lines' sides. On the inner side the two sides meet where they cross,
    // unless that cuts more than half of either line away (a sharp turn):
    // then each side ends square and the outline runs through the point, so
    // that the overlap counts twice, but nothing is cut.
    double atX = 0, atY = 0;
    auto to = [&](double x, double y) {
        AddEdge(atX, atY, x, y);
        atX = x, atY = y;
    };
    auto join = [&](int k, int side) {  // at corner k, on the side (+1 or -1) of the +n steps
        const Corner &in = corners[k - 1], &out = corners[k], &p = corners[side > 0 ? k - 1 : k],
                     &q = corners[side > 0 ? k : k - 1];
        const bool inner = (out.dx * in.nx + out.dy * in.ny) * side > 0;
        const double turn = 1 + in.dx * out.dx + in.dy * out.dy, cut = std::fabs(out.nx * in.dx + out.ny * in.dy) / turn;
        if (inner && turn > 1e-9 && 2 * cut <= std::min(in.length, out.length)) {
            to(out.x + side * (in.nx + out.nx) / turn, out.y + side * (in.ny + out.ny) / turn);
            return;
        }
        to(out.x + side * p.nx, out.y + side * p.ny);
        if (inner)
            to(out.x, out.y);
        to(out.x + side * q.nx, out.y + side * q.ny);
    };
    const double startX = corners[0].x + corners[0].nx, startY = corners[0].y + corners[0].ny;
    atX = startX, atY = startY;
    for (int k = 1; k < lines; ++k)
        join(k, 1);
    const Corner &end = corners[lines], &last = corners[lines - 1];
    to(end.x + last.nx, end.y + last.ny);
    to(end.x - last.nx, end.y - last.ny);
    for (int k = lines - 1; k >= 1; --k)
        join(k, -1);
    to(corners[0].x - corners[0].nx, corners[0].y - corners[0].ny);
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
            if (covered == 0)
                continue;
            const std::int64_t area = std::min<std::int64_t>(std::abs(std::int64_t(covered)), std::int64_t(One));
            const unsigned a = unsigned((area * 255 + std::int64_t(One) / 2) >> 16);
            if (a == 0)
                continue;
            const std::uint32_t p = out[i];
            auto mix = [a](unsigned over, unsigned under) { return (over * a + under * (255 - a) + 127) / 255; };
            out[i] = mix(red, p >> 16 & 0xff) << 16 | mix(green, p >> 8 & 0xff) << 8 | mix(blue, p & 0xff);
        }
        std::fill(row, row + size + 1, 0);
    }
    top = 1 << 30, bottom = -1;
}
