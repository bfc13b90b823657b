#include "io/PointLine.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

char* Digits(char* out, std::uint64_t value)
{
    char reversed[20];
    int n = 0;
    do {
        reversed[n++] = char('0' + value % 10);
        value /= 10;
    } while (value);
    while (n)
        *out++ = reversed[--n];
    return out;
}

}  // namespace

char* PointLine::Fixed6(char* out, float value)
{
    // The float is m * 2^e exactly, and "%.6f" prints m * 2^e * 10^6 rounded
    // to the nearest integer, a tie to the even one, with the decimal point
    // put in. That is done here in 64-bit integers for every float below
    // 2^43 in size; the rest (infinities, NaNs, huge values) goes to snprintf.
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const bool negative = bits >> 31;
    const int biased = int(bits >> 23) & 0xff;
    std::uint64_t m = bits & 0x7fffff;
    int e = -149;
    if (biased) {
        m |= 0x800000;
        e = biased - 150;
    }
    if (biased == 0xff || e > 19) {
        char text[64];
        const int n = std::snprintf(text, sizeof text, "%.6f", double(value));
        std::memcpy(out, text, std::size_t(n));
        return out + n;
    }
    constexpr std::uint64_t Scale = 1000000;
    std::uint64_t scaled;
    if (e >= 0) {
        scaled = (m << e) * Scale;  // below 2^43 * 10^6 < 2^63
    } else if (-e >= 64) {
        scaled = 0;  // below 2^44 / 2^64: far from half a millionth
    } else {
        const int shift = -e;
        const std::uint64_t exact = m * Scale;  // below 2^44
        scaled = exact >> shift;
        const std::uint64_t rest = exact - (scaled << shift), half = std::uint64_t(1) << (shift - 1);
        if (rest > half || (rest == half && (scaled & 1)))
            ++scaled;
    }
    if (negative)
        *out++ = '-';  // printf keeps the sign of -0.0 and of what rounds to zero
    out = Digits(out, scaled / Scale);
    *out++ = '.';
    std::uint64_t fraction = scaled % Scale;
    for (int i = 5; i >= 0; --i) {
        out[i] = char('0' + fraction % 10);
        fraction /= 10;
    }
    return out + 6;
}

std::size_t PointLine::Format(char* out, float x, float y, float w, int type)
{
    char* at = Fixed6(out, x);
    *at++ = ',';
    at = Fixed6(at, y);
    *at++ = ',';
    at = Fixed6(at, w);
    *at++ = ',';
    std::uint64_t magnitude = std::uint64_t(type < 0 ? -std::int64_t(type) : type);
    if (type < 0)
        *at++ = '-';
    at = Digits(at, magnitude);
    *at++ = '\n';
    return std::size_t(at - out);
}
