#include "io/Platform.h"

#include <cstring>

#ifdef _WIN32
#include <io.h>
#include <string.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace platform {

#ifdef _WIN32

std::wstring WideName(const char* name)
{
    const int n = name ? ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, nullptr, 0) : 0;
    if (n <= 1)
        return std::wstring();
    std::wstring wide(std::size_t(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, wide.data(), n);
    wide.resize(std::size_t(n - 1));  // the terminator counted in n
    return wide;
}

bool IsReadable(const char* path)
{
    const std::wstring wide = WideName(path);
    return !wide.empty() && ::_waccess(wide.c_str(), 4) == 0;
}

int StrNICmp(const char* a, const char* b, std::size_t n)
{
    return ::_strnicmp(a, b, n);
}

#else

bool IsReadable(const char* path)
{
    return path && ::access(path, R_OK) == 0;
}

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

#endif

bool EndsWithNoCase(const char* name, const char* ending)
{
    if (!name || !ending)
        return false;
    const std::size_t n = std::strlen(name);
    const std::size_t k = std::strlen(ending);
    return n >= k && StrNICmp(name + n - k, ending, k) == 0;
}

}  // namespace platform
