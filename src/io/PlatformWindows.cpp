// The platform layer on Windows: every name is widened from UTF-8 before it
// reaches the system, and saving replaces the target with MoveFileExW, since
// rename() there does not replace an existing file. Files are written in text
// mode, so lines end in CR LF as other Windows programs expect.
#include "io/Platform.h"

#include <cerrno>
#include <cstring>
#include <cwchar>

#include <fcntl.h>
#include <io.h>
#include <string.h>
#include <sys/stat.h>
#include <windows.h>

namespace platform {

namespace {

// The errno value nearest to a Windows error, for the C library's words.
int ErrnoOf(DWORD code)
{
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:  // open in another program
    case ERROR_LOCK_VIOLATION:
    case ERROR_NETWORK_ACCESS_DENIED:
        return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_BUFFER_OVERFLOW:
        return ENAMETOOLONG;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
        return EINVAL;
    case ERROR_TOO_MANY_OPEN_FILES:
        return EMFILE;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    default:
        return EIO;
    }
}

std::string Utf8(const std::wstring& wide)
{
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(std::size_t(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), &out[0], n, nullptr, nullptr);
    return out;
}

// The system's error behind the last failure of this layer, 0 when it had none.
DWORD lastFailure = 0;

void SetFailure(DWORD code)
{
    lastFailure = code;
    errno = ErrnoOf(code);
}

void SetErrno(int error)
{
    lastFailure = 0;
    errno = error;
}

bool FailsWith(DWORD code)
{
    SetFailure(code);
    return false;
}

// The system's words for one of its errors, in UTF-8, without the closing full stop.
std::string SystemMessage(DWORD code)
{
    wchar_t* text = nullptr;
    const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                         FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring wide(text ? text : L"", n);
    if (text)
        ::LocalFree(text);
    while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L' ' || wide.back() == L'.'))
        wide.pop_back();
    return wide.empty() ? "Windows error " + std::to_string(code) : Utf8(wide);
}

// The name as the system's wide calls take it. A full path longer than
// MAX_PATH is only reached in the \\?\ form, which skips the usual parsing.
std::wstring SystemName(const std::string& name)
{
    std::wstring wide = WideName(name.c_str());
    if (wide.size() < MAX_PATH - 12 || wide.compare(0, 4, L"\\\\?\\") == 0)
        return wide;
    const DWORD n = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    std::wstring full(n, L'\0');
    if (n == 0 || ::GetFullPathNameW(wide.c_str(), n, &full[0], nullptr) + 1 != n)
        return wide;
    full.resize(n - 1);
    if (full.compare(0, 2, L"\\\\") == 0)
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

// Where the name starts after its folder ("C:\dir\", "C:" or nothing).
std::size_t NameStart(const std::string& path)
{
    const std::size_t slash = path.find_last_of("/\\:");
    return slash == std::string::npos ? 0 : slash + 1;
}

// The handle as a C stream, in binary mode for reading and text mode for
// writing; the handle is closed when that fails.
std::FILE* Stream(HANDLE handle, bool writing)
{
    if (handle == INVALID_HANDLE_VALUE)
        return nullptr;
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), writing ? _O_WRONLY | _O_TEXT
                                                                                 : _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(handle);
        SetErrno(EMFILE);
        return nullptr;
    }
    std::FILE* file = ::_fdopen(fd, writing ? "w" : "rb");
    if (!file) {
        const int why = errno;
        ::_close(fd);
        errno = why;
    }
    return file;
}

HANDLE HandleOf(std::FILE* file)
{
    return reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(file)));
}

// Closes a handle to something that is not what was asked for.
void CloseNotThis(HANDLE handle)
{
    ::CloseHandle(handle);
    SetErrno(EINVAL);
}

}  // namespace

std::wstring WideName(const char* name)
{
    const int n = name ? ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, nullptr, 0) : 0;
    if (n <= 1)
        return std::wstring();
    std::wstring wide(std::size_t(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, &wide[0], n);
    wide.resize(std::size_t(n - 1));  // the terminator counted in n
    return wide;
}

bool IsReadable(const char* path)
{
    const std::wstring wide = path ? SystemName(path) : std::wstring();
    return !wide.empty() && ::_waccess(wide.c_str(), 4) == 0;
}

int StrNICmp(const char* a, const char* b, std::size_t n)
{
    return ::_strnicmp(a, b, n);
}

std::FILE* OpenRegularFile(const char* path)
{
    const std::wstring wide = path ? SystemName(path) : std::wstring();
    if (wide.empty()) {
        SetErrno(ENOENT);
        return nullptr;
    }
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetErrno(EISDIR);
        return nullptr;
    }
    // Shared as _wfopen shares. Device names (NUL, CON, COM1) and pipes
    // (\\.\pipe\...) open too: only a file on a disk is read.
    const HANDLE handle = ::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        SetFailure(::GetLastError());
        return nullptr;
    }
    if (::GetFileType(handle) != FILE_TYPE_DISK) {
        CloseNotThis(handle);
        return nullptr;
    }
    return Stream(handle, false);
}

long long FileSize(std::FILE* file)
{
    LARGE_INTEGER size;
    const HANDLE handle = HandleOf(file);
    return ::GetFileType(handle) == FILE_TYPE_DISK && ::GetFileSizeEx(handle, &size) ? size.QuadPart : -1;
}

SaveTarget FindSaveTarget(const std::string& name)
{
    SaveTarget target;
    const std::wstring wide = SystemName(name);
    if (wide.empty()) {
        target.error = name.empty() ? ENOENT : EINVAL;
        return target;
    }
    // Opened only to be looked at, following links, so that the file they lead
    // to is the one replaced. A folder needs the backup flag to open at all.
    const HANDLE handle = ::CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD why = ::GetLastError();
        SetFailure(why);
        target.error = errno;
        // Nothing there yet. A link that leads nowhere is refused: where it
        // points is not for this program to work out.
        const DWORD attributes = ::GetFileAttributesW(wide.c_str());
        if (why == ERROR_FILE_NOT_FOUND &&
            (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))) {
            target.kind = SaveTarget::Missing;
            target.path = name;
        }
        return target;
    }
    const DWORD type = ::GetFileType(handle);
    BY_HANDLE_FILE_INFORMATION info = {};
    if (type == FILE_TYPE_CHAR) {
        // NUL, CON and their kin, in any folder: written as they are.
        ::CloseHandle(handle);
        target.kind = SaveTarget::Device;
        target.path = name;
        return target;
    }
    if (type != FILE_TYPE_DISK || !::GetFileInformationByHandle(handle, &info)) {
        CloseNotThis(handle);  // a pipe
        target.error = errno;
        return target;
    }
    // The path the links lead to, where the system can tell it.
    std::wstring final(MAX_PATH, L'\0');
    DWORD n = ::GetFinalPathNameByHandleW(handle, &final[0], DWORD(final.size()), FILE_NAME_NORMALIZED);
    if (n >= final.size()) {
        final.resize(n);
        n = ::GetFinalPathNameByHandleW(handle, &final[0], DWORD(final.size()), FILE_NAME_NORMALIZED);
    }
    ::CloseHandle(handle);
    target.path = n > 0 && n < final.size() ? Utf8(final.substr(0, n)) : name;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        SetErrno(target.error = EISDIR);
        return target;
    }
    // Windows will not replace a read-only file, and Wine would: refused before
    // anything is written.
    if (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
        SetErrno(target.error = EACCES);
        return target;
    }
    target.kind = SaveTarget::Regular;
    target.linked = info.nNumberOfLinks > 1;
    target.mode = info.dwFileAttributes;
    return target;
}

std::FILE* OpenInPlace(const SaveTarget& target)
{
    const bool missing = target.kind == SaveTarget::Missing;
    const HANDLE handle = ::CreateFileW(SystemName(target.path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                        missing ? CREATE_NEW : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        SetFailure(::GetLastError());
        return nullptr;
    }
    // What was opened must still be what was looked at, before it is emptied.
    const DWORD type = ::GetFileType(handle);
    const bool same = target.kind == SaveTarget::Device ? type == FILE_TYPE_CHAR : type == FILE_TYPE_DISK;
    if (!same || (target.kind == SaveTarget::Regular && !::SetEndOfFile(handle))) {
        if (same) {
            SetFailure(::GetLastError());
            ::CloseHandle(handle);
        } else {
            CloseNotThis(handle);
        }
        const int why = errno;
        if (missing)
            ::DeleteFileW(SystemName(target.path).c_str());
        errno = why;
        return nullptr;
    }
    std::FILE* file = Stream(handle, true);
    if (!file && missing) {
        const int why = errno;
        ::DeleteFileW(SystemName(target.path).c_str());
        errno = why;
    }
    return file;
}

std::FILE* CreateTemporary(const SaveTarget& target, std::string& tempPath)
{
    const std::size_t start = NameStart(target.path);
    const std::string folder = target.path.substr(0, start);
    std::wstring base = WideName(target.path.substr(start).c_str());
    // A name of the folder's longest (255) stays within it once marked as ours.
    const std::size_t marks = 1 + 1 + 8 + 4;  // "~", ".", eight hex digits, ".tmp"
    if (base.size() + marks > 255) {
        base.resize(255 - marks);
        if (!base.empty() && base.back() >= 0xD800 && base.back() <= 0xDBFF)
            base.pop_back();  // half of a character
    }
    const std::string prefix = folder + "~" + Utf8(base) + ".";
    DWORD seed = ::GetTickCount() ^ (::GetCurrentProcessId() << 16);
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%08lx", static_cast<unsigned long>(seed + DWORD(attempt) * 7919u));
        const std::string name = prefix + suffix + ".tmp";
        const HANDLE handle = ::CreateFileW(SystemName(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                            FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const DWORD why = ::GetLastError();
            if (why == ERROR_FILE_EXISTS || why == ERROR_ALREADY_EXISTS)
                continue;
            SetFailure(why);
            return nullptr;
        }
        std::FILE* file = Stream(handle, true);
        if (file)
            tempPath = name;
        else
            ::DeleteFileW(SystemName(name).c_str());
        return file;
    }
    SetErrno(EEXIST);
    return nullptr;
}

bool TakeOverOwnerAndMode(std::FILE*, const SaveTarget&)
{
    // The new file takes the folder's permissions, as any new file there does;
    // there is no owner or mode to carry over.
    return true;
}

bool Sync(std::FILE* file)
{
    const HANDLE handle = HandleOf(file);
    return ::GetFileType(handle) != FILE_TYPE_DISK || ::FlushFileBuffers(handle) || FailsWith(::GetLastError());
}

bool Replace(const std::string& tempPath, const std::string& target)
{
    // Fails on a file open in another program: the temporary file is then removed and the target kept.
    return ::MoveFileExW(SystemName(tempPath).c_str(), SystemName(target).c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ||
           FailsWith(::GetLastError());
}

void Remove(const std::string& path)
{
    ::DeleteFileW(SystemName(path).c_str());
}

std::string ErrorText(int error)
{
    return lastFailure && ErrnoOf(lastFailure) == error ? SystemMessage(lastFailure) : std::strerror(error);
}

void ForgetError()
{
    lastFailure = 0;
}

void IgnoreBrokenPipes()
{
    // No signal ends a program that writes to a closed pipe there: the write fails.
}

}  // namespace platform
