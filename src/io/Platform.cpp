// The part of the platform layer that every system shares.
#include "io/Platform.h"

#include <cstring>

namespace platform {

int StrNICmp(const char* a, const char* b, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char ca = static_cast<unsigned char>(a[i]);
        unsigned char cb = static_cast<unsigned char>(b[i]);
        if (ca >= 'A' && ca <= 'Z')
            ca = static_cast<unsigned char>(ca - 'A' + 'a');
        if (cb >= 'A' && cb <= 'Z')
            cb = static_cast<unsigned char>(cb - 'A' + 'a');
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (ca == 0)
            return 0;
    }
    return 0;
}

bool EndsWithNoCase(const char* name, const char* ending)
{
    if (!name || !ending)
        return false;
    const std::size_t n = std::strlen(name);
    const std::size_t k = std::strlen(ending);
    return n >= k && StrNICmp(name + n - k, ending, k) == 0;
}

Failure Errno(int error)
{
    return {error, std::strerror(error)};
}

}  // namespace platform
