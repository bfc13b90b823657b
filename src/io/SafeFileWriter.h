#pragma once

#include <cstdio>
#include <string>

#include "io/Platform.h"

// Writes a file so that a failure at any point leaves the previous file whole:
// the text goes to a temporary file beside the target, which is synced and then
// renamed over it only when every write succeeded. Symbolic links are followed
// as FindSaveTarget allows, so the file they lead to is replaced; it keeps its
// owner, group, permissions and extended attributes (its access list among them).
// Where that cannot be done, the target itself is rewritten from its start and
// cut at the end of the new text: when no file can be made beside it (a folder
// the user may not write), when it has other hard links, which a rename would
// part it from, when it is another user's file that this user may write but not
// replace with one of the same owner (or, in a sticky folder, not replace at
// all), and when an attribute cannot be carried over. Its previous bytes are
// kept meanwhile and put back when the rewrite fails; only a file that may be
// written but not read is emptied first and lost then. Anything else that keeps
// the temporary file from being made fails the save with the target untouched.
// Folders, pipes, sockets and block devices are refused before anything is
// opened; a character device is written as it is.
class SafeFileWriter {
public:
    SafeFileWriter() = default;
    ~SafeFileWriter();
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;

    // False when the target may not be written or no temporary file can be made.
    bool Open(const std::string& target);
    // printf into the file; a failed write is remembered and fails the commit.
    void Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // The bytes as they are, remembered like a failed Printf when they cannot be written.
    void Write(const char* data, std::size_t size);
    // Flushes, syncs, closes and renames; false (target untouched) on any failure.
    bool Commit();
    // Why Open or Commit failed, in the system's words.
    const std::string& Error() const { return error; }
    // After a failed Commit: the target's previous content is gone (a rewrite
    // in place that could not put it back).
    bool LostPreviousContent() const { return lost; }
    // After a failed Commit: the file that holds the text when it could not be
    // put in the target's place, or empty.
    const std::string& KeptAt() const { return kept; }

    // Test hook: when n >= 0, the n-th failable step from now on (making the
    // temporary file, carrying the target's owner, mode and attributes over,
    // opening the target in place, each Printf or Write, the flush, the sync,
    // the cut of a rewrite in place, the close, the rename) fails as if with
    // the errno failErrorForTesting; it then turns itself off. -1 (the default)
    // is off.
    static int failStepForTesting;
    static int failErrorForTesting;  // EIO unless a test says otherwise

private:
    bool OpenInPlace();
    bool Refuse(const platform::Failure& why);
    void Discard();
    void Fail(const platform::Failure& why);

    std::FILE* file = nullptr;
    platform::SaveTarget target;
    platform::Previous previous;
    std::string tempPath;
    std::string error;
    std::string kept;
    bool failed = false;
    bool rewriting = false;  // an existing file, written in place
    bool created = false;    // in place, and there was no file before
    bool lost = false;
};
