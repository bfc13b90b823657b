#include "io/SafeFileWriter.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>

namespace {

// The test hook's fault, counted down one failable step at a time.
bool InjectedFault(platform::Failure& why)
{
    if (SafeFileWriter::failStepForTesting < 0 || SafeFileWriter::failStepForTesting-- > 0)
        return false;
    why = platform::Errno(SafeFileWriter::failErrorForTesting);
    return true;
}

// A C library call that failed, with its errno; else the test hook's fault.
bool Failed(bool callFailed, platform::Failure& why)
{
    if (callFailed) {
        why = platform::Errno(errno);
        return true;
    }
    return InjectedFault(why);
}

// A folder that takes no new file still lets its files be written, and a file
// whose owner or attributes a new one cannot take may still be written. Any
// other reason (a full or failing disk, a read-only one, a name the system
// refuses) would fail a write in place too.
bool InPlaceMayHelp(const platform::Failure& why)
{
    return why.error == EACCES || why.error == EPERM || why.error == ENOTSUP;
}

}  // namespace

int SafeFileWriter::failStepForTesting = -1;
int SafeFileWriter::failErrorForTesting = EIO;

SafeFileWriter::~SafeFileWriter()
{
    Discard();
}

void SafeFileWriter::Fail(const platform::Failure& why)
{
    if (!failed)
        error = why.text;
    failed = true;
}

bool SafeFileWriter::Refuse(const platform::Failure& why)
{
    Discard();
    error = why.text;
    return false;
}

void SafeFileWriter::Discard()
{
    if (file) {
        std::fclose(file);
        file = nullptr;
    }
    if (!tempPath.empty()) {
        platform::Remove(tempPath);
        tempPath.clear();
    }
}

bool SafeFileWriter::OpenInPlace()
{
    platform::Failure why;
    if (!InjectedFault(why))
        file = platform::OpenInPlace(target, previous, why);
    if (!file)
        return Refuse(why);
    // Unbuffered: when a step fails, nothing is left to be written over what is put back.
    std::setvbuf(file, nullptr, _IONBF, 0);
    rewriting = target.kind == platform::SaveTarget::Regular;
    created = target.kind == platform::SaveTarget::Missing;
    return true;
}

bool SafeFileWriter::Open(const std::string& name)
{
    Discard();
    failed = rewriting = created = lost = false;
    error.clear();
    kept.clear();
    previous = platform::Previous();
    target = platform::FindSaveTarget(name);
    if (target.kind == platform::SaveTarget::Refused)
        return Refuse(target.refusal);
    if (target.kind == platform::SaveTarget::Device || target.linked || target.renameRefused)
        return OpenInPlace();

    platform::Failure why;
    if (!InjectedFault(why))
        file = platform::CreateTemporary(target, tempPath, why);
    if (!file)
        return InPlaceMayHelp(why) ? OpenInPlace() : Refuse(why);
    // A new file keeps what the system gave it.
    if (target.kind == platform::SaveTarget::Regular && (InjectedFault(why) || (why = platform::CarryOver(file, target)))) {
        Discard();
        return InPlaceMayHelp(why) ? OpenInPlace() : Refuse(why);
    }
    return true;
}

void SafeFileWriter::Printf(const char* format, ...)
{
    if (!file || failed)
        return;
    va_list args;
    va_start(args, format);
    const int written = std::vfprintf(file, format, args);
    va_end(args);
    platform::Failure why;
    if (Failed(written < 0, why))
        Fail(why);
}

void SafeFileWriter::Write(const char* data, std::size_t size)
{
    if (!file || failed)
        return;
    platform::Failure why;
    if (Failed(std::fwrite(data, 1, size, file) != size, why))
        Fail(why);
}

bool SafeFileWriter::Commit()
{
    if (!file)
        return false;
    platform::Failure why;
    if (!failed && Failed(std::fflush(file) != 0 || std::ferror(file), why))
        Fail(why);
    if (!failed && (InjectedFault(why) || (why = platform::Sync(file))))
        Fail(why);
    if (!failed && rewriting && (InjectedFault(why) || (why = platform::CutAtEnd(file))))
        Fail(why);
    // A rewrite that failed: the old bytes go back where they can.
    if (failed && rewriting)
        lost = !previous.known || platform::PutBack(file, previous.bytes);
    const int closed = std::fclose(file);
    file = nullptr;
    if (!failed && Failed(closed != 0, why)) {
        Fail(why);
        lost = rewriting;  // written and cut already: the old bytes are gone
    }
    bool keep = false;
    if (!failed && !tempPath.empty() && (InjectedFault(why) || (why = platform::Replace(tempPath, target, keep))))
        Fail(why);
    if (keep) {
        kept = tempPath;
        tempPath.clear();
    }
    if (failed) {
        if (created)
            platform::Remove(target.path);  // there was nothing before: leave nothing half-written
        Discard();
        return false;
    }
    tempPath.clear();
    return true;
}
