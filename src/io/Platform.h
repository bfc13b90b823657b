#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// The few C runtime calls the program needs that each system names differently,
// and every open of a file that the user named: reading one, and each step of
// saving over one. Platform.cpp holds what the systems share, PlatformPosix.cpp
// and PlatformWindows.cpp the rest. Each step of a save returns why it failed.
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

// Why a step failed: an errno value to decide by, and the words the user is
// shown, the system's own where it said more than the errno value does. A
// default one is no failure.
struct Failure {
    int error = 0;
    std::string text;
    explicit operator bool() const { return error != 0; }
};
// The failure of an errno value, in the C library's words.
Failure Errno(int error);

// What a save finds at its target, once symbolic links are followed.
struct SaveTarget {
    enum Kind { Missing, Regular, Device, Refused };
    Kind kind = Refused;
    Failure refusal;           // why it is refused
    std::string path;          // the file the links lead to
    bool linked = false;       // a regular file with other hard links, which a replacement would part from it
    bool renameRefused = false;  // a file this user may write but not replace
    unsigned long owner = 0, group = 0, mode = 0;  // of a regular file
};

// Refuses folders, pipes, sockets, block devices, link loops, links that the
// link rule below does not let the program follow, and files this user may not
// write, without opening anything. A character device (such as /dev/null)
// takes a stream.
// Links: in a folder that everyone may write and only owners may rename in
// (sticky, as /tmp), a link is followed only when this user or the folder's
// owner made it, whatever the system's own setting for that (root included).
// A link that leads nowhere, and that may be followed, makes the file it names.
SaveTarget FindSaveTarget(const std::string& name);

// What a file written in place held, to be put back when the writing fails;
// known is false when it could not be read.
struct Previous {
    bool known = false;
    std::string bytes;
};

// The target opened for writing as it stands (the caller makes the stream
// unbuffered, so that nothing is left to be written once a step fails). A regular file's bytes go to previous
// and the file is overwritten from its start, to be cut at the end of what is
// written (CutAtEnd); one that may be written but not read is emptied first.
// A device is written as it is, and a missing file is created.
std::FILE* OpenInPlace(const SaveTarget& target, Previous& previous, Failure& why);

// A new empty file in the target's folder, under a name of its own that goes
// to tempPath. A file that replaces nothing is made as any program makes a new
// file, for the umask or the folder's default access list to shape; the
// replacement of a file is made readable by this user alone until CarryOver.
std::FILE* CreateTemporary(const SaveTarget& target, std::string& tempPath, Failure& why);

// Gives the replacement of a regular file that file's owner, group and mode,
// then every extended attribute of it (its access list included, and nothing
// it lacks). EPERM when this user may not give the file its owner or group,
// ENOTSUP when an attribute cannot be carried over.
Failure CarryOver(std::FILE* file, const SaveTarget& target);

// Writes the file's data through to the disk; a device that cannot be synced is no failure.
Failure Sync(std::FILE* file);

// Ends a file rewritten in place where the writing ended, durably.
Failure CutAtEnd(std::FILE* file);

// Writes the previous bytes back over a file rewritten in place, cuts it to
// their length and syncs it.
Failure PutBack(std::FILE* file, const std::string& bytes);

// Puts the temporary file in the target's place, durably. On a failure that
// leaves the data only in the temporary file, kept is set and the file stays.
Failure Replace(const std::string& tempPath, const SaveTarget& target, bool& kept);

void Remove(const std::string& path);

// A write to a pipe or socket whose reader went away fails (EPIPE) instead of
// ending the program with SIGPIPE.
void IgnoreBrokenPipes();

}  // namespace platform
