#include "model/PixelMapping.h"

#include <cmath>

#include <wx/log.h>

const float WorldWidth = 128.0f - (-128.0f);
const float WorldHeight = 128.0f - (-128.0f);

namespace {

// A path file may hold any float: pixel positions are kept within a range that
// int arithmetic and the drawing back end handle, far outside any canvas.
constexpr double PixelLimit = 1 << 22;

bool ToPixel(double value, int& out)
{
    if (std::isnan(value))
        return false;
    if (value > PixelLimit)
        value = PixelLimit;
    if (value < -PixelLimit)
        value = -PixelLimit;
    out = int(value);  // truncation toward zero, as the rounding below expects
    return true;
}

}  // namespace

PixelMapping::PixelMapping(int w, int h) : hasPicture(true), width(w), height(h)
{
    // A picture without a size maps nothing; its scale stays neutral rather than infinite.
    if (w > 0 && h > 0) {
        scaleX = float(double(WorldWidth) / w);
        scaleY = float(double(WorldHeight) / h);
    }
}

bool PixelMapping::CheckedSize() const
{
    if (!hasPicture)
        return false;
    if (width == 0 || height == 0) {
        wxLogError("Invalid bitmap dimensions:  %dx%d", width, height);
        return false;
    }
    return true;
}

void PixelMapping::ToWorld(int px, int py, float& x, float& y) const
{
    x = float(double(px) / width * WorldWidth - WorldWidth * 0.5);
    y = float(WorldHeight * 0.5 - double(py) / height * WorldHeight);
}

bool PixelMapping::WorldToPixel(float x, float y, int& px, int& py) const
{
    if (!hasPicture)
        return false;
    const double fx = ((double(x) + WorldWidth * 0.5) / WorldWidth) * width + 0.5;
    const double fy = (double(height) / WorldHeight) * (WorldHeight * 0.5 - double(y)) + 0.5;
    return ToPixel(fx, px) && ToPixel(fy, py);
}

bool PixelMapping::PixelToWorld(int px, int py, float& x, float& y) const
{
    if (!CheckedSize())
        return false;
    ToWorld(px, py, x, y);
    return true;
}

bool PixelMapping::PixelSquareToWorldBox(int px, int py, int r, float& x1, float& y1, float& x2,
                                         float& y2) const
{
    if (!CheckedSize())
        return false;
    ToWorld(px - r, py - r, x1, y1);
    ToWorld(px + r, py + r, x2, y2);
    return true;
}
