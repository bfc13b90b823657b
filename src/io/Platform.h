#pragma once

#include <cstddef>
#ifdef _WIN32
#include <string>
#endif

// The few C runtime calls the program needs that this platform names differently.
namespace platform {

#ifdef _WIN32
// File names are UTF-8 inside the program on Windows, where the narrow C calls
// would read them in the ANSI code page and miss most non-ASCII names. This is
// the form the wide calls take; empty for a name that is not valid UTF-8.
std::wstring WideName(const char* name);
#endif

// Whether the file exists and may be read (access with mode 4).
bool IsReadable(const char* path);

// Case-insensitive comparison of at most n characters (ASCII letters), like strnicmp.
int StrNICmp(const char* a, const char* b, std::size_t n);

// Whether the name ends in the given ending, ignoring case; a name shorter than
// the ending never does.
bool EndsWithNoCase(const char* name, const char* ending);

}  // namespace platform
