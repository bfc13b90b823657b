#include "io/Platform.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {

// PlatformWindows.cpp holds the Windows side.
#ifndef _WIN32

namespace {

std::string DirectoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string BaseOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The descriptor's file as a stream; the descriptor is closed when that fails.
std::FILE* Stream(int fd, const char* mode)
{
    std::FILE* file = fd < 0 ? nullptr : ::fdopen(fd, mode);
    if (fd >= 0 && !file) {
        const int why = errno;
        ::close(fd);
        errno = why;
    }
    return file;
}

bool Fails(int why)
{
    errno = why;
    return false;
}

}  // namespace

bool IsReadable(const char* path)
{
    return path && ::access(path, R_OK) == 0;
}

int StrNICmp(const char* a, const char* b, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char ca = static_cast<unsigned char>(a[i]);
        unsigned char cb = static_cast<unsigned char>(b[i]);
        if (ca >= 'A' && ca <= 'Z')
            ca = static_cast<unsigned char>(ca - 'A' + 'a');
        if (cb >= 'A' && cb <= 'Z')
            cb = static_cast<unsigned char>(cb - 'A' + 'a');
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (ca == 0)
            return 0;
    }
    return 0;
}

std::FILE* OpenRegularFile(const char* path)
{
    struct stat st;
    if (!path || ::stat(path, &st) != 0)
        return nullptr;
    if (!S_ISREG(st.st_mode)) {
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return nullptr;
    }
    // The name may have changed hands since: without waiting, and then what was
    // opened is checked again.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::fcntl(fd, F_SETFL, 0) != 0)) {
        ::close(fd);
        errno = EINVAL;
        return nullptr;
    }
    return Stream(fd, "rb");
}

long long FileSize(std::FILE* file)
{
    struct stat st;
    return ::fstat(::fileno(file), &st) == 0 && S_ISREG(st.st_mode) ? st.st_size : -1;
}

SaveTarget FindSaveTarget(const std::string& name)
{
    SaveTarget target;
    if (name.empty()) {
        target.error = ENOENT;
        return target;
    }
    std::string path = name;
    struct stat st;
    for (int hops = 0;; ++hops) {
        if (::lstat(path.c_str(), &st) != 0) {
            target.error = errno;
            if (errno != ENOENT)
                return target;
            // Nothing there yet (a link may point to it): the save makes it.
            target.kind = SaveTarget::Missing;
            target.path = path;
            return target;
        }
        if (!S_ISLNK(st.st_mode))
            break;
        std::vector<char> link(PATH_MAX + 1);
        const ssize_t n = hops < 40 ? ::readlink(path.c_str(), link.data(), PATH_MAX) : -1;
        if (n <= 0) {
            target.error = hops < 40 ? errno : ELOOP;
            return target;
        }
        const std::string to(link.data(), std::size_t(n));
        path = to[0] == '/' ? to : DirectoryOf(path) + "/" + to;
    }
    target.path = path;
    if (S_ISDIR(st.st_mode)) {
        target.error = EISDIR;
        return target;
    }
    // A pipe would block the save or end the program when its reader goes; a
    // block device is a disk, overwritten from its first byte.
    if (!S_ISREG(st.st_mode) && !S_ISCHR(st.st_mode)) {
        target.error = EINVAL;
        return target;
    }
    if (::access(path.c_str(), W_OK) != 0) {
        target.error = errno;
        return target;
    }
    target.kind = S_ISREG(st.st_mode) ? SaveTarget::Regular : SaveTarget::Device;
    target.linked = S_ISREG(st.st_mode) && st.st_nlink > 1;
    target.owner = st.st_uid;
    target.group = st.st_gid;
    target.mode = st.st_mode & 07777;
    // In a sticky folder only the owner of the file or of the folder (or root)
    // may rename over the file.
    struct stat folder;
    target.renameRefused = target.kind == SaveTarget::Regular && ::geteuid() != 0 && st.st_uid != ::geteuid() &&
                           ::stat(DirectoryOf(path).c_str(), &folder) == 0 && (folder.st_mode & S_ISVTX) &&
                           folder.st_uid != ::geteuid();
    return target;
}

std::FILE* OpenInPlace(const SaveTarget& target)
{
    // An existing file is opened without O_CREAT: where fs.protected_regular is
    // 2 (Debian's setting on desktops) such an open of another user's file in a
    // sticky, world-writable folder is refused although the file may be written.
    const bool missing = target.kind == SaveTarget::Missing;
    const int fd = ::open(target.path.c_str(),
                          O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (missing ? O_CREAT | O_EXCL : 0), 0666);
    if (fd < 0)
        return nullptr;
    // What was opened must still be what was looked at: a pipe or a disk put in
    // the target's place meanwhile is not written (a pipe without a reader
    // already failed the open, with ENXIO).
    struct stat st;
    const bool same = ::fstat(fd, &st) == 0 && (target.kind == SaveTarget::Device ? S_ISCHR(st.st_mode)
                                                                                   : S_ISREG(st.st_mode));
    errno = EINVAL;
    if (!same || ::fcntl(fd, F_SETFL, 0) != 0 || (target.kind == SaveTarget::Regular && ::ftruncate(fd, 0) != 0)) {
        const int why = errno;
        ::close(fd);
        if (missing)
            ::unlink(target.path.c_str());
        errno = why;
        return nullptr;
    }
    std::FILE* file = Stream(fd, "w");
    if (!file && missing) {
        const int why = errno;
        ::unlink(target.path.c_str());
        errno = why;
    }
    return file;
}

std::FILE* CreateTemporary(const SaveTarget& target, std::string& tempPath)
{
    const std::string folder = DirectoryOf(target.path) + "/.", base = BaseOf(target.path), ending = ".XXXXXX";
    std::string pattern = folder + base + ending;
    int fd = ::mkostemp(&pattern[0], O_CLOEXEC);
    // The folder takes names as long as the target's: a temporary name of that length.
    if (fd < 0 && errno == ENAMETOOLONG && base.size() > ending.size() + 1) {
        pattern = folder + base.substr(0, base.size() - ending.size() - 1) + ending;
        fd = ::mkostemp(&pattern[0], O_CLOEXEC);
    }
    std::FILE* file = Stream(fd, "w");
    if (file)
        tempPath = pattern;
    else if (fd >= 0)
        ::unlink(pattern.c_str());
    return file;
}

bool TakeOverOwnerAndMode(std::FILE* file, const SaveTarget& target)
{
    const int fd = ::fileno(file);
    mode_t mode = mode_t(target.mode);
    if (target.kind != SaveTarget::Regular) {
        mode = ::umask(0);
        ::umask(mode);
        mode = 0666 & ~mode;
    } else if (::fchown(fd, uid_t(target.owner), gid_t(target.group)) != 0) {
        // Only root may give a file away, and only a member may give it its group.
        return Fails(errno == EINVAL ? EPERM : errno);
    }
    return ::fchmod(fd, mode) == 0;
}

bool Sync(std::FILE* file)
{
    return ::fsync(::fileno(file)) == 0 || errno == EINVAL || errno == EROFS;
}

bool Replace(const std::string& tempPath, const std::string& target)
{
    if (::rename(tempPath.c_str(), target.c_str()) != 0)
        return false;
    // Make the rename itself durable; it is done whatever this says.
    const int folder = ::open(DirectoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

void Remove(const std::string& path)
{
    ::unlink(path.c_str());
}

void IgnoreBrokenPipes()
{
    std::signal(SIGPIPE, SIG_IGN);
}

std::string ErrorText(int error)
{
    return std::strerror(error);
}

void ForgetError() {}

#endif

bool EndsWithNoCase(const char* name, const char* ending)
{
    if (!name || !ending)
        return false;
    const std::size_t n = std::strlen(name);
    const std::size_t k = std::strlen(ending);
    return n >= k && StrNICmp(name + n - k, ending, k) == 0;
}

}  // namespace platform
