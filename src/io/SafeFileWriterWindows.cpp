// SafeFileWriter on Windows, built there in place of SafeFileWriter.cpp. The
// same promise by the calls Windows has: rename() does not replace an existing
// file there, so the temporary file is flushed to the disk and then moved over
// the target with MoveFileExW. Links are not followed and a target's other
// hard links are parted from it; a read-only target is refused.
#ifdef _WIN32

#include "io/SafeFileWriter.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include "io/Platform.h"

namespace {

// Where the name starts after its directory ("C:\dir\", "C:" or nothing).
std::size_t NameStart(const std::string& path)
{
    const std::size_t slash = path.find_last_of("/\\:");
    return slash == std::string::npos ? 0 : slash + 1;
}

// The system's words for the last failed Windows call, in UTF-8.
std::string SystemMessage(DWORD code)
{
    wchar_t* text = nullptr;
    const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                         FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string out;
    if (n > 0) {
        const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text, int(n), nullptr, 0, nullptr, nullptr);
        out.resize(std::size_t(bytes > 0 ? bytes : 0));
        if (bytes > 0)
            ::WideCharToMultiByte(CP_UTF8, 0, text, int(n), out.data(), bytes, nullptr, nullptr);
    }
    if (text)
        ::LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ' || out.back() == '.'))
        out.pop_back();
    return out.empty() ? "Windows error " + std::to_string(code) : out;
}

bool InjectedFault()
{
    if (SafeFileWriter::failStepForTesting < 0 || SafeFileWriter::failStepForTesting-- > 0)
        return false;
    errno = EIO;
    ::SetLastError(ERROR_WRITE_FAULT);
    return true;
}

}  // namespace

int SafeFileWriter::failStepForTesting = -1;

SafeFileWriter::~SafeFileWriter()
{
    Discard();
}

void SafeFileWriter::Fail()
{
    if (!failed)
        error = std::strerror(errno);
    failed = true;
}

void SafeFileWriter::Discard()
{
    if (file) {
        std::fclose(file);
        file = nullptr;
    }
    if (!tempPath.empty()) {
        ::_wunlink(platform::WideName(tempPath.c_str()).c_str());
        tempPath.clear();
    }
}

bool SafeFileWriter::OpenInPlace(bool existed)
{
    file = InjectedFault() ? nullptr : ::_wfopen(platform::WideName(finalPath.c_str()).c_str(), L"w");
    if (!file) {
        error = std::strerror(errno);
        return false;
    }
    inPlace = true;
    created = !existed;
    return true;
}

bool SafeFileWriter::Open(const std::string& target)
{
    Discard();
    failed = inPlace = created = lost = false;
    error.clear();
    finalPath = target;
    const std::wstring wide = platform::WideName(target.c_str());
    if (wide.empty()) {
        error = std::strerror(target.empty() ? ENOENT : EINVAL);
        return false;
    }
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        error = std::strerror(EISDIR);
        return false;
    }
    // A file marked read-only is one its owner wants kept: refused before
    // anything is written, rather than left to the move (Wine replaces it).
    if (exists && (attributes & FILE_ATTRIBUTE_READONLY)) {
        error = std::strerror(EACCES);
        return false;
    }

    // A name of our own beside the target: the move stays within one volume.
    const std::size_t start = NameStart(target);
    const std::string prefix = target.substr(0, start) + "~" + target.substr(start) + "." +
                               std::to_string(::GetCurrentProcessId()) + ".";
    // Making it is one failable step, however many names it tries.
    int fd = -1;
    const bool faulted = InjectedFault();
    for (unsigned attempt = 0; !faulted && fd < 0 && attempt < 100; ++attempt) {
        const std::string name = prefix + std::to_string(::GetTickCount() + attempt) + ".tmp";
        fd = ::_wopen(platform::WideName(name.c_str()).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_TEXT,
                      _S_IREAD | _S_IWRITE);
        if (fd >= 0)
            tempPath = name;
        else if (errno != EEXIST)
            break;
    }
    if (fd < 0) {
        if (errno == ENOSPC) {
            error = std::strerror(errno);
            return false;
        }
        return OpenInPlace(exists);
    }
    file = ::_fdopen(fd, "w");
    if (!file) {
        error = std::strerror(errno);
        ::_close(fd);
        Discard();
        return false;
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
    if (!failed) {
        const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(file)));
        if (InjectedFault() || !::FlushFileBuffers(handle)) {
            error = SystemMessage(::GetLastError());
            failed = true;
        }
    }
    const int closed = std::fclose(file);
    file = nullptr;
    if (!failed && (closed != 0 || InjectedFault()))
        Fail();
    if (!failed && !tempPath.empty() &&
        (InjectedFault() || !::MoveFileExW(platform::WideName(tempPath.c_str()).c_str(),
                                           platform::WideName(finalPath.c_str()).c_str(),
                                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))) {
        // Most often the target is open in another program, which Windows does not allow to replace.
        error = SystemMessage(::GetLastError());
        failed = true;
    }
    if (failed) {
        lost = inPlace && !created;
        if (created)
            ::_wunlink(platform::WideName(finalPath.c_str()).c_str());
        Discard();
        return false;
    }
    tempPath.clear();
    return true;
}

#endif  // _WIN32
