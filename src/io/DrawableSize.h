#pragma once

#include <climits>

// GTK 3 draws every bitmap through cairo, which makes no surface wider or
// taller than this; a larger picture would leave the window unable to paint.
constexpr long long kLargestDrawableSide = 32767;

// The most pixels a picture may have: 16384 x 16384. Run-length coding lets a
// small file claim a picture of several gigabytes; this bound lies far above
// any terrain picture (a world 256 units across, shown at one pixel per screen
// pixel), keeps a loaded picture under 2 GB (3 bytes a pixel as an image while
// it is read, 4 as the bitmap kept), and is the same on every machine, so that
// a picture that opens on one opens on any.
constexpr long long kMostPixels = 1LL << 28;

// The toolkit sizes image buffers with int arithmetic.
static_assert(kMostPixels * 3 <= INT_MAX, "an image of the most pixels must stay within the toolkit's sizes");

inline bool IsDrawableSize(long long width, long long height)
{
    return width <= kLargestDrawableSide && height <= kLargestDrawableSide && width * height <= kMostPixels;
}
