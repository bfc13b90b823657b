// The platform layer on Windows: every name is widened from UTF-8 before it
// reaches the system, and saving replaces the target with ReplaceFileW, which
// keeps what the system holds about the file beside its bytes. Files are
// written in text mode, so lines end in CR LF as other Windows programs expect.
#include "io/Platform.h"

#include <algorithm>
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

// A failure the system reported, in its own words.
Failure SystemFailure(DWORD code)
{
    return {ErrnoOf(code), SystemMessage(code)};
}

// The handle as a C stream, in binary mode for reading and text mode for
// writing; the handle is closed when that fails.
std::FILE* Stream(HANDLE handle, bool writing, Failure& why)
{
    if (handle == INVALID_HANDLE_VALUE)
        return nullptr;
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), writing ? _O_WRONLY | _O_TEXT
                                                                                 : _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(handle);
        why = Errno(EMFILE);
        return nullptr;
    }
    std::FILE* file = ::_fdopen(fd, writing ? "w" : "rb");
    if (!file) {
        why = Errno(errno);
        ::_close(fd);
    }
    return file;
}

HANDLE HandleOf(std::FILE* file)
{
    return reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(file)));
}

SaveTarget Refused(Failure why)
{
    SaveTarget target;
    target.refusal = why;
    return target;
}

// Whether the last part of a name is one that Windows gives a device in every
// folder, on some versions at least: CON, PRN, AUX, NUL, COM1 to COM9 and LPT1
// to LPT9 (with the superscript digits too), whatever follows a dot, and with
// trailing spaces. A save to one would write into the device.
bool IsDeviceName(const std::wstring& name)
{
    const std::size_t start = name.find_last_of(L"\\/:");
    std::wstring base = name.substr(start == std::wstring::npos ? 0 : start + 1);
    base = base.substr(0, base.find(L'.'));
    while (!base.empty() && base.back() == L' ')
        base.pop_back();
    for (wchar_t& c : base)
        c = c >= L'a' && c <= L'z' ? wchar_t(c - L'a' + L'A') : c;
    const bool port = base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0) &&
                      ((base[3] >= L'1' && base[3] <= L'9') || base[3] == 0xB9 || base[3] == 0xB2 || base[3] == 0xB3);
    return port || base == L"CON" || base == L"PRN" || base == L"AUX" || base == L"NUL";
}

Failure WriteAll(HANDLE handle, const std::string& bytes)
{
    for (std::size_t put = 0; put < bytes.size();) {
        DWORD n = 0;
        const DWORD chunk = DWORD(std::min<std::size_t>(bytes.size() - put, 1u << 30));
        if (!::WriteFile(handle, bytes.data() + put, chunk, &n, nullptr))
            return SystemFailure(::GetLastError());
        put += n;
    }
    return {};
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

std::FILE* OpenRegularFile(const char* path)
{
    const std::wstring wide = path ? SystemName(path) : std::wstring();
    if (wide.empty())
        return nullptr;
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return nullptr;
    // Shared as _wfopen shares. Device names (NUL, CON, COM1) and pipes
    // (\\.\pipe\...) open too: only a file on a disk is read.
    const HANDLE handle = ::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return nullptr;
    if (::GetFileType(handle) != FILE_TYPE_DISK) {
        ::CloseHandle(handle);
        return nullptr;
    }
    Failure ignored;
    return Stream(handle, false, ignored);
}

long long FileSize(std::FILE* file)
{
    LARGE_INTEGER size;
    const HANDLE handle = HandleOf(file);
    return ::GetFileType(handle) == FILE_TYPE_DISK && ::GetFileSizeEx(handle, &size) ? size.QuadPart : -1;
}

SaveTarget FindSaveTarget(const std::string& name)
{
    const std::wstring wide = SystemName(name);
    if (wide.empty())
        return Refused(Errno(name.empty() ? ENOENT : EINVAL));
    if (IsDeviceName(wide))
        return Refused(Errno(EINVAL));
    // Opened only to be looked at, following links, so that the file they lead
    // to is the one replaced. A folder needs the backup flag to open at all.
    const HANDLE handle = ::CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD why = ::GetLastError();
        // Nothing there yet. A link that leads nowhere is refused: where it
        // points is not for this program to work out.
        const DWORD attributes = ::GetFileAttributesW(wide.c_str());
        SaveTarget target = Refused(SystemFailure(why));
        if (why == ERROR_FILE_NOT_FOUND &&
            (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))) {
            target.kind = SaveTarget::Missing;
            target.path = name;
        }
        return target;
    }
    BY_HANDLE_FILE_INFORMATION info = {};
    // Pipes, and devices under names of other forms (\\.\COM1).
    if (::GetFileType(handle) != FILE_TYPE_DISK || !::GetFileInformationByHandle(handle, &info)) {
        ::CloseHandle(handle);
        return Refused(Errno(EINVAL));
    }
    // The path the links lead to, where the system can tell it.
    std::wstring final(MAX_PATH, L'\0');
    DWORD n = ::GetFinalPathNameByHandleW(handle, &final[0], DWORD(final.size()), FILE_NAME_NORMALIZED);
    if (n >= final.size()) {
        final.resize(n);
        n = ::GetFinalPathNameByHandleW(handle, &final[0], DWORD(final.size()), FILE_NAME_NORMALIZED);
    }
    ::CloseHandle(handle);
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return Refused(Errno(EISDIR));
    // Windows will not replace a read-only file, and Wine would: refused before
    // anything is written.
    if (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
        return Refused(Errno(EACCES));
    SaveTarget target;
    target.path = n > 0 && n < final.size() ? Utf8(final.substr(0, n)) : name;
    target.kind = SaveTarget::Regular;
    target.linked = info.nNumberOfLinks > 1;
    target.mode = info.dwFileAttributes;
    // A file that may not be deleted, or that another program holds open
    // without letting it be deleted, cannot be replaced: it is written in place.
    const HANDLE probe = ::CreateFileW(SystemName(target.path).c_str(), DELETE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
    target.renameRefused = probe == INVALID_HANDLE_VALUE;
    if (probe != INVALID_HANDLE_VALUE)
        ::CloseHandle(probe);
    return target;
}

std::FILE* OpenInPlace(const SaveTarget& target, Previous& previous, Failure& why)
{
    const bool missing = target.kind == SaveTarget::Missing;
    const std::wstring wide = SystemName(target.path);
    const auto open = [&](DWORD access) {
        return ::CreateFileW(wide.c_str(), access, FILE_SHARE_READ, nullptr, missing ? CREATE_NEW : OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    HANDLE handle = open(missing ? GENERIC_WRITE : GENERIC_READ | GENERIC_WRITE);
    const bool readable = handle != INVALID_HANDLE_VALUE || missing || ::GetLastError() != ERROR_ACCESS_DENIED;
    if (!readable)
        handle = open(GENERIC_WRITE);
    if (handle == INVALID_HANDLE_VALUE) {
        why = SystemFailure(::GetLastError());
        return nullptr;
    }
    // What was opened must still be what was looked at, before it is written.
    LARGE_INTEGER size = {}, start = {};
    const bool disk = ::GetFileType(handle) == FILE_TYPE_DISK;
    bool ok = disk;
    if (ok && !missing && readable) {
        ok = ::GetFileSizeEx(handle, &size) != 0;
        previous.bytes.assign(ok ? std::size_t(size.QuadPart) : 0, '\0');
        std::size_t got = 0;
        for (DWORD n = 1; ok && n > 0 && got < previous.bytes.size(); got += n) {
            const DWORD chunk = DWORD(std::min<std::size_t>(previous.bytes.size() - got, 1u << 30));
            ok = ::ReadFile(handle, &previous.bytes[got], chunk, &n, nullptr) != 0;
        }
        previous.known = ok = ok && got == previous.bytes.size() && ::SetFilePointerEx(handle, start, nullptr, FILE_BEGIN);
    } else if (ok && !missing) {
        ok = ::SetEndOfFile(handle) != 0;  // nothing to put back: emptied first, as any program that writes it does
    }
    const DWORD error = ::GetLastError();
    if (!ok) {
        why = disk ? SystemFailure(error ? error : ERROR_HANDLE_EOF) : Errno(EINVAL);
        ::CloseHandle(handle);
    }
    std::FILE* file = ok ? Stream(handle, true, why) : nullptr;
    if (!file && missing)
        ::DeleteFileW(wide.c_str());
    return file;
}

std::FILE* CreateTemporary(const SaveTarget& target, std::string& tempPath, Failure& why)
{
    const std::size_t start = NameStart(target.path);
    const std::string folder = target.path.substr(0, start);
    std::wstring base = WideName(target.path.substr(start).c_str());
    // A name of the folder's longest (255) stays within it once marked as ours,
    // counted in UTF-16 as Windows counts and in UTF-8 as the file systems that
    // Wine and shares from Linux write to count.
    const std::size_t marks = 1 + 1 + 8 + 4;  // "~", ".", eight hex digits, ".tmp"
    while (base.size() + marks > 255 || Utf8(base).size() + marks > 255) {
        base.pop_back();
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
            const DWORD error = ::GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)
                continue;
            why = SystemFailure(error);
            return nullptr;
        }
        std::FILE* file = Stream(handle, true, why);
        if (file)
            tempPath = name;
        else
            ::DeleteFileW(SystemName(name).c_str());
        return file;
    }
    why = Errno(EEXIST);
    return nullptr;
}

Failure CarryOver(std::FILE*, const SaveTarget&)
{
    // ReplaceFileW carries the old file's access list, attributes and streams over.
    return {};
}

Failure Sync(std::FILE* file)
{
    const HANDLE handle = HandleOf(file);
    return ::GetFileType(handle) != FILE_TYPE_DISK || ::FlushFileBuffers(handle) ? Failure()
                                                                                  : SystemFailure(::GetLastError());
}

Failure CutAtEnd(std::FILE* file)
{
    const HANDLE handle = HandleOf(file);
    return ::SetEndOfFile(handle) && ::FlushFileBuffers(handle) ? Failure() : SystemFailure(::GetLastError());
}

Failure PutBack(std::FILE* file, const std::string& bytes)
{
    // Through the handle: the stream is in text mode, which would add a CR before every LF.
    const HANDLE handle = HandleOf(file);
    const LARGE_INTEGER start = {};
    if (!::SetFilePointerEx(handle, start, nullptr, FILE_BEGIN))
        return SystemFailure(::GetLastError());
    if (Failure why = WriteAll(handle, bytes))
        return why;
    return CutAtEnd(file);
}

Failure Replace(const std::string& tempPath, const SaveTarget& target, bool& kept)
{
    const std::wstring temp = SystemName(tempPath), path = SystemName(target.path);
    // A new file takes the folder's permissions, as any new file there does.
    // Without replacing one made meanwhile.
    if (target.kind == SaveTarget::Missing)
        return ::MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH) ? Failure()
                                                                                   : SystemFailure(::GetLastError());
    // Keeps the old file's access list, attributes, creation time and streams;
    // the data is already flushed, as there is no flag to write it through.
    if (::ReplaceFileW(path.c_str(), temp.c_str(), nullptr, 0, nullptr, nullptr))
        return {};
    const DWORD why = ::GetLastError();
    if (why != ERROR_UNABLE_TO_REMOVE_REPLACED && why != ERROR_UNABLE_TO_MOVE_REPLACEMENT &&
        why != ERROR_UNABLE_TO_MOVE_REPLACEMENT_2)
        return SystemFailure(why);
    // The old file may be gone already, or renamed: the data may be in the
    // temporary file alone, which is never removed. A plain move finishes the save.
    if (::MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return {};
    kept = true;
    return SystemFailure(why);
}

void Remove(const std::string& path)
{
    ::DeleteFileW(SystemName(path).c_str());
}

void IgnoreBrokenPipes()
{
    // No signal ends a program that writes to a closed pipe there: the write fails.
}

}  // namespace platform
