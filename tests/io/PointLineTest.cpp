// A saved line must be printf's, byte for byte: other tools read the files.
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "io/PointLine.h"

namespace {

std::string Ours(float x, float y, float w, int type)
{
    char line[PointLine::MaxLength];
    return std::string(line, PointLine::Format(line, x, y, w, type));
}

std::string Printf(float x, float y, float w, int type)
{
    char line[256];
    return std::string(line, std::size_t(std::snprintf(line, sizeof line, "%.6f,%.6f,%.6f,%d\n", double(x),
                                                        double(y), double(w), type)));
}

TEST(PointLine, WritesWhatPrintfWrites)
{
    const float values[] = {
        0.0f, -0.0f, 1.0f, -1.0f, 0.1f, -2.5f, 127.999999f, -127.99999f,
        0.0078125f, 0.0234375f, -0.0078125f,  // halves of a millionth: to the even digit
        0.0000005f, 0.0000015f, -0.0000005f,  // close to halves, rounding away
        1e-7f, -1e-9f, FLT_MIN, FLT_TRUE_MIN, -FLT_TRUE_MIN,  // round to a zero that keeps its sign
        8388607.5f, 16777216.0f, 8796093022208.0f, 8796093022207.0f * 0.999f, -1.5e13f,  // the fast path's edge
        1e20f, -3e38f, FLT_MAX, INFINITY, -INFINITY, NAN,  // handed to snprintf
    };
    const int types[] = {0, 1, 2, -1, INT_MIN, INT_MAX};
    for (std::size_t i = 0; i < sizeof values / sizeof values[0]; ++i) {
        const float v = values[i];
        EXPECT_EQ(Ours(v, -v, v * 0.5f, types[i % 6]), Printf(v, -v, v * 0.5f, types[i % 6])) << i;
    }
    // Any bit pattern at all, and positions like a track's.
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> coord(-128.0f, 128.0f);
    for (int i = 0; i < 200000; ++i) {
        const std::uint32_t bits = rng();
        float any;
        std::memcpy(&any, &bits, sizeof any);
        const float x = coord(rng), y = coord(rng);
        ASSERT_EQ(Ours(any, x, y, int(bits)), Printf(any, x, y, int(bits))) << bits;
    }
}

}  // namespace
