#include "io/SafeFileWriter.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>

namespace {

// The test hook's fault, counted down one failable step at a time.
bool InjectedFault()
{
    if (SafeFileWriter::failStepForTesting < 0 || SafeFileWriter::failStepForTesting-- > 0)
        return false;
    platform::ForgetError();
    errno = SafeFileWriter::failErrorForTesting;
    return true;
}

// A folder that takes no new file still lets its files be written. Any other
// reason (a full or failing disk, a read-only one, a name the system refuses)
// would fail a write in place too, but only after truncating the file.
bool InPlaceMayHelp(int why)
{
    return why == EACCES || why == EPERM;
}

}  // namespace

int SafeFileWriter::failStepForTesting = -1;
int SafeFileWriter::failErrorForTesting = EIO;

SafeFileWriter::~SafeFileWriter()
{
    Discard();
}

void SafeFileWriter::Fail()
{
    if (!failed)
        error = platform::ErrorText(errno);
    failed = true;
}

bool SafeFileWriter::Refuse(int why)
{
    Discard();
    error = platform::ErrorText(why);
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
    file = InjectedFault() ? nullptr : platform::OpenInPlace(target);
    if (!file)
        return Refuse(errno);
    rewriting = target.kind == platform::SaveTarget::Regular;
    created = target.kind == platform::SaveTarget::Missing;
    return true;
}

bool SafeFileWriter::Open(const std::string& name)
{
    Discard();
    failed = rewriting = created = lost = false;
    error.clear();
    platform::ForgetError();  // of an earlier save
    target = platform::FindSaveTarget(name);
    if (target.kind == platform::SaveTarget::Refused)
        return Refuse(target.error);
    if (target.kind == platform::SaveTarget::Device || target.linked || target.renameRefused)
        return OpenInPlace();

    file = InjectedFault() ? nullptr : platform::CreateTemporary(target, tempPath);
    if (!file)
        return InPlaceMayHelp(errno) ? OpenInPlace() : Refuse(errno);
    if (InjectedFault() || !platform::TakeOverOwnerAndMode(file, target)) {
        const int why = errno;
        Discard();
        // Another user's file, which a replacement would take from its owner.
        return why == EPERM && target.kind == platform::SaveTarget::Regular ? OpenInPlace() : Refuse(why);
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
    if (written < 0 || InjectedFault())
        Fail();
}

void SafeFileWriter::Write(const char* data, std::size_t size)
{
    if (!file || failed)
        return;
    if (std::fwrite(data, 1, size, file) != size || InjectedFault())
        Fail();
}

bool SafeFileWriter::Commit()
{
    if (!file)
        return false;
    if (!failed && (std::fflush(file) != 0 || std::ferror(file) || InjectedFault()))
        Fail();
    if (!failed && (InjectedFault() || !platform::Sync(file)))
        Fail();
    const int closed = std::fclose(file);
    file = nullptr;
    if (!failed && (closed != 0 || InjectedFault()))
        Fail();
    if (!failed && !tempPath.empty() && (InjectedFault() || !platform::Replace(tempPath, target.path)))
        Fail();
    if (failed) {
        lost = rewriting;
        if (created)
            platform::Remove(target.path);  // there was nothing before: leave nothing half-written
        Discard();
        return false;
    }
    tempPath.clear();
    return true;
}
