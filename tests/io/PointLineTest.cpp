// A saved line must be printf's, byte for byte: other tools read the files.
#include <cfloat>
#include <climits>

#include "io/PointLine.h"
#include "support/Harness.h"

namespace {

// Nothing when both ways write the same line, else both lines.
std::string Differs(float x, float y, float w, int type)
{
    char ours[PointLine::MaxLength], theirs[256];
    const std::string a(ours, PointLine::Format(ours, x, y, w, type));
    const std::string b(theirs, std::size_t(std::snprintf(theirs, sizeof theirs, "%.6f,%.6f,%.6f,%d\n", double(x),
                                                            double(y), double(w), type)));
    return a == b ? "" : a + b;
}

TEST(PointLine, WritesWhatPrintfWrites)
{
    const float values[] = {
        0.0f, -0.0f, 1.0f, -2.5f, 127.999999f, -127.99999f,
        0.0078125f, 0.0234375f, -0.0078125f,  // halves of a millionth: to the even digit
        0.0000005f, 0.0000015f, -0.0000005f,  // close to halves, rounding away
        1e-7f, -1e-9f, FLT_TRUE_MIN, -FLT_TRUE_MIN,  // round to a zero that keeps its sign
        8388607.5f, 16777216.0f, 8796093022208.0f, 8796093022207.0f * 0.999f, -1.5e13f,  // the fast path's edge
        1e20f, -3e38f, FLT_MAX, INFINITY, NAN,  // handed to snprintf
    };
    const int types[] = {0, 1, 2, -1, INT_MIN, INT_MAX};
    for (std::size_t i = 0; i < sizeof values / sizeof values[0]; ++i)
        EXPECT_EQ(Differs(values[i], -values[i], values[i] * 0.5f, types[i % 6]), "");
    // Any bit pattern at all, beside positions like a track's.
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> coord(-128.0f, 128.0f);
    for (int i = 0; i < 200000; ++i) {
        const std::uint32_t bits = rng();
        float any;
        std::memcpy(&any, &bits, sizeof any);
        const float y = coord(rng), w = coord(rng);
        ASSERT_EQ(Differs(any, y, w, int(bits)), "");
    }
}

}  // namespace
