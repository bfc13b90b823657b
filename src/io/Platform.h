#pragma once

#include <cstddef>

// The few C runtime calls the program needs that this platform names differently.
namespace platform {

// Whether the file exists and may be read (access with mode 4).
bool IsReadable(const char* path);

// Case-insensitive comparison of at most n characters (ASCII letters), like strnicmp.
int StrNICmp(const char* a, const char* b, std::size_t n);

// Whether the name ends in the given ending, ignoring case; a name shorter than
// the ending never does.
bool EndsWithNoCase(const char* name, const char* ending);

}  // namespace platform
