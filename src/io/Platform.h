#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// The few C runtime calls the program needs that this platform names differently,
// and every open of a file that the user named: reading one, and each step of
// saving over one. Failures leave errno set.
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

// A regular file opened for binary reading; null for anything else. A pipe, a
// socket or a device is refused without being opened, so that no read waits
// for a writer that never comes.
std::FILE* OpenRegularFile(const char* path);

// The byte count of an open file, or -1 when it cannot be told.
long long FileSize(std::FILE* file);

// What a save finds at its target, once symbolic links are followed.
struct SaveTarget {
    enum Kind { Missing, Regular, Device, Refused };
    Kind kind = Refused;
    int error = 0;             // why it is refused, as an errno value
    std::string path;          // the file the links lead to
    bool linked = false;       // a regular file with other hard links, which a rename would part from it
    bool renameRefused = false;  // another user's file in a sticky folder: only its owner may replace it
    unsigned long owner = 0, group = 0, mode = 0;  // of a regular file
};

// Refuses folders, pipes, sockets, block devices, link loops and files this
// user may not write, without opening anything; a character device (such as
// /dev/null) takes a stream.
SaveTarget FindSaveTarget(const std::string& name);

// The target opened for writing as it stands: an existing file is truncated
// only once what was opened is known to be a regular file, a device is written
// as it is, and a missing file is created.
std::FILE* OpenInPlace(const SaveTarget& target);

// A new empty file in the target's folder, named after it; its path goes to tempPath.
std::FILE* CreateTemporary(const SaveTarget& target, std::string& tempPath);

// Gives a temporary file the target's owner, group and mode, or a new file's
// mode; fails with EPERM when this user may not give the file its owner or group.
bool TakeOverOwnerAndMode(std::FILE* file, const SaveTarget& target);

// Writes the file's data through to the disk; a device that cannot be synced is no failure.
bool Sync(std::FILE* file);

// Puts the temporary file in the target's place, durably.
bool Replace(const std::string& tempPath, const std::string& target);

void Remove(const std::string& path);

// Why a call of this layer failed, for the user: the C library's words for the
// errno value, or on Windows the system's own where the failure came from it.
std::string ErrorText(int error);
// Forgets the system's error of an earlier failure; for faults that stand in for one.
void ForgetError();

// A write to a pipe or socket whose reader went away fails (EPIPE) instead of
// ending the program with SIGPIPE.
void IgnoreBrokenPipes();

}  // namespace platform
