#pragma once

// GTK 3 draws every bitmap through cairo, which makes no surface wider or
// taller than this; a larger picture would leave the window unable to paint.
constexpr long long kLargestDrawableSide = 32767;

inline bool IsDrawableSize(long long width, long long height)
{
    return width <= kLargestDrawableSide && height <= kLargestDrawableSide;
}
