#include "editor/FileOrigin.h"

#include <cstring>

#include "model/TrackPath.h"
#include "model/TrackPoint.h"

namespace {

// One step of a 64-bit hash (splitmix64's finaliser over the running value).
std::uint64_t Mix(std::uint64_t h, std::uint64_t value)
{
    h = (h ^ value) * 0x9e3779b97f4a7c15ull;
    h ^= h >> 30;
    h *= 0xbf58476d1ce4e5b9ull;
    return h ^ (h >> 31);
}

std::uint64_t Bits(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

}  // namespace

std::uint64_t FileOrigin::Print(const TrackPath* path)
{
    std::uint64_t h = Mix(0, path ? path->Count() : 0);
    if (path)
        for (const TrackPoint* p : path->points)
            h = Mix(Mix(h, Bits(p->x) << 32 | Bits(p->y)), Bits(p->w) << 32 | std::uint32_t(p->type));
    return h;
}
