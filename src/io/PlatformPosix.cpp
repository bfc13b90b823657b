// The platform layer on Linux and other POSIX systems.
#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <random>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "io/Platform.h"

namespace platform {

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
std::FILE* Stream(int fd, const char* mode, Failure& why)
{
    std::FILE* file = fd < 0 ? nullptr : ::fdopen(fd, mode);
    if (!file)
        why = Errno(errno);
    if (fd >= 0 && !file)
        ::close(fd);
    return file;
}

SaveTarget Refused(int error)
{
    SaveTarget target;
    target.refusal = Errno(error);
    return target;
}

// The kernel's rule for links in shared folders (fs.protected_symlinks): in a
// folder that is sticky and world-writable, a link is followed only when its
// owner is this user or the folder's owner. Otherwise another user could send
// the save to any file this user may write.
bool MayFollow(const struct stat& link, const std::string& folder)
{
    struct stat st;
    if (::stat(folder.c_str(), &st) != 0)
        return false;
    const bool shared = (st.st_mode & (S_ISVTX | S_IWOTH)) == (S_ISVTX | S_IWOTH);
    return !shared || link.st_uid == ::geteuid() || link.st_uid == st.st_uid;
}

// The parts of a name between slashes, last first, for a walk that takes them from the back.
void PushParts(const std::string& name, std::vector<std::string>& parts)
{
    std::vector<std::string> in;
    for (std::size_t at = 0; at <= name.size();) {
        const std::size_t slash = std::min(name.find('/', at), name.size());
        in.push_back(name.substr(at, slash - at));
        at = slash + 1;
    }
    parts.insert(parts.end(), in.rbegin(), in.rend());
}

// A value (or a list) from a getxattr-like call, asked for its size first;
// false, with errno set, when it cannot be read.
template <typename Get>
bool AttributeValue(Get get, std::string& value)
{
    for (;;) {
        ssize_t n = get(nullptr, 0);
        value.assign(std::size_t(std::max<ssize_t>(n, 0)), '\0');
        if (n > 0)
            n = get(&value[0], value.size());
        if (n < 0 && errno == ERANGE)
            continue;  // more came meanwhile
        if (n >= 0)
            value.resize(std::size_t(n));
        return n >= 0;
    }
}

// The names of a file's extended attributes from a listxattr call; false when
// they cannot be read. A file system without them has none.
template <typename List>
bool AttributeNames(List list, std::vector<std::string>& names)
{
    names.clear();
    std::string all;
    if (!AttributeValue(list, all))
        return errno == ENOTSUP;
    for (std::size_t at = 0; at < all.size(); at += names.back().size() + 1)
        names.emplace_back(all.c_str() + at);
    return true;
}

// An attribute that cannot be carried over: the file is then written in place
// rather than replaced by one without it.
Failure Uncarried(int error)
{
    Failure why = Errno(error);
    why.error = ENOTSUP;
    return why;
}

Failure CarryAttributes(const std::string& from, int to)
{
    const char* path = from.c_str();
    std::vector<std::string> old, fresh;
    if (!AttributeNames([&](char* b, std::size_t n) { return ::llistxattr(path, b, n); }, old) ||
        !AttributeNames([&](char* b, std::size_t n) { return ::flistxattr(to, b, n); }, fresh))
        return Uncarried(errno);
    // What the new file got and the old one lacks goes (such as an access list
    // from the folder's default one).
    for (const std::string& name : fresh)
        if (std::find(old.begin(), old.end(), name) == old.end() && ::fremovexattr(to, name.c_str()) != 0)
            return Uncarried(errno);
    // The access list last: it sets the mode's group bits from its mask, which a chmod would rewrite.
    std::stable_partition(old.begin(), old.end(), [](const std::string& name) { return name != "system.posix_acl_access"; });
    for (const std::string& name : old) {
        std::string value, now;
        if (!AttributeValue([&](char* b, std::size_t n) { return ::lgetxattr(path, name.c_str(), b, n); }, value))
            return Uncarried(errno);
        if (AttributeValue([&](char* b, std::size_t n) { return ::fgetxattr(to, name.c_str(), b, n); }, now) &&
            now == value)
            continue;  // such as a security label the system gave it already
        if (::fsetxattr(to, name.c_str(), value.data(), value.size(), 0) != 0)
            return Uncarried(errno);
    }
    return {};
}

}  // namespace

bool IsReadable(const char* path)
{
    return path && ::access(path, R_OK) == 0;
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
    Failure ignored;
    return Stream(fd, "rb", ignored);
}

long long FileSize(std::FILE* file)
{
    struct stat st;
    return ::fstat(::fileno(file), &st) == 0 && S_ISREG(st.st_mode) ? st.st_size : -1;
}

SaveTarget FindSaveTarget(const std::string& name)
{
    if (name.empty())
        return Refused(ENOENT);
    // The name is walked a part at a time, so that the rule for links holds at
    // every link on the way; done is the part walked, free of links.
    std::string done;
    if (name[0] != '/') {
        std::vector<char> here(PATH_MAX + 1);
        if (!::getcwd(here.data(), here.size()))
            return Refused(errno);
        done = here.data();
    }
    std::vector<std::string> parts;
    PushParts(name, parts);
    struct stat st = {};
    st.st_mode = S_IFDIR;  // the starting folder, should nothing follow it
    for (int hops = 0; !parts.empty();) {
        const std::string part = parts.back();
        parts.pop_back();
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            done = DirectoryOf(done.empty() ? "/" : done);
            done = done == "/" ? "" : done;
            continue;
        }
        const std::string path = done + "/" + part;
        if (::lstat(path.c_str(), &st) != 0) {
            if (errno != ENOENT || !parts.empty())
                return Refused(errno);
            // Nothing there yet: the save makes it.
            SaveTarget target;
            target.kind = SaveTarget::Missing;
            target.path = path;
            return target;
        }
        if (S_ISLNK(st.st_mode)) {
            if (++hops > 40)
                return Refused(ELOOP);
            if (!MayFollow(st, done.empty() ? "/" : done))
                return Refused(EACCES);  // as the kernel refuses it under its rule
            std::vector<char> to(PATH_MAX + 1);
            const ssize_t n = ::readlink(path.c_str(), to.data(), PATH_MAX);
            if (n <= 0)
                return Refused(n < 0 ? errno : ENOENT);
            const std::string link(to.data(), std::size_t(n));
            if (link[0] == '/')
                done.clear();
            PushParts(link, parts);
            st.st_mode = S_IFDIR;
            continue;
        }
        if (!parts.empty() && !S_ISDIR(st.st_mode))
            return Refused(ENOTDIR);
        done = path;
    }
    if (S_ISDIR(st.st_mode))
        return Refused(EISDIR);
    // A pipe would block the save or end the program when its reader goes; a
    // block device is a disk, overwritten from its first byte.
    if (!S_ISREG(st.st_mode) && !S_ISCHR(st.st_mode))
        return Refused(EINVAL);
    if (::access(done.c_str(), W_OK) != 0)
        return Refused(errno);
    SaveTarget target;
    target.path = done;
    target.kind = S_ISREG(st.st_mode) ? SaveTarget::Regular : SaveTarget::Device;
    target.linked = S_ISREG(st.st_mode) && st.st_nlink > 1;
    target.owner = st.st_uid;
    target.group = st.st_gid;
    target.mode = st.st_mode & 07777;
    // In a sticky folder only the owner of the file or of the folder (or root)
    // may rename over the file.
    struct stat folder;
    target.renameRefused = target.kind == SaveTarget::Regular && ::geteuid() != 0 && st.st_uid != ::geteuid() &&
                           ::stat(DirectoryOf(done).c_str(), &folder) == 0 && (folder.st_mode & S_ISVTX) &&
                           folder.st_uid != ::geteuid();
    return target;
}

std::FILE* OpenInPlace(const SaveTarget& target, Previous& previous, Failure& why)
{
    // An existing file is opened without O_CREAT: where fs.protected_regular is
    // 2 (Debian's setting on desktops) such an open of another user's file in a
    // sticky, world-writable folder is refused although the file may be written.
    // Nor is a link that took its place meanwhile followed.
    const bool missing = target.kind == SaveTarget::Missing, regular = target.kind == SaveTarget::Regular;
    const int flags = O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (regular || missing ? O_NOFOLLOW : 0) |
                      (missing ? O_CREAT | O_EXCL : 0);
    int fd = ::open(target.path.c_str(), flags | (regular ? O_RDWR : O_WRONLY), 0666);
    const bool readable = fd >= 0 || errno != EACCES || !regular;
    if (!readable)
        fd = ::open(target.path.c_str(), flags | O_WRONLY);
    if (fd < 0) {
        why = Errno(errno);
        return nullptr;
    }
    // What was opened must still be what was looked at: a pipe or a disk put in
    // the target's place meanwhile is not written (a pipe without a reader
    // already failed the open, with ENXIO).
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0 && (target.kind == SaveTarget::Device ? S_ISCHR(st.st_mode) : S_ISREG(st.st_mode));
    errno = ok ? 0 : EINVAL;
    ok = ok && ::fcntl(fd, F_SETFL, 0) == 0;
    if (ok && regular && readable) {
        previous.bytes.assign(std::size_t(st.st_size), '\0');
        std::size_t got = 0;
        for (ssize_t n = 1; n > 0 && got < previous.bytes.size(); got += std::size_t(std::max<ssize_t>(n, 0)))
            n = ::pread(fd, &previous.bytes[got], previous.bytes.size() - got, off_t(got));
        previous.bytes.resize(got);
        previous.known = ok = got == std::size_t(st.st_size);
    } else if (ok && regular) {
        ok = ::ftruncate(fd, 0) == 0;  // nothing to put back: emptied first, as any program that writes it does
    }
    std::FILE* file = ok ? Stream(fd, "w", why) : nullptr;
    if (!ok) {
        why = Errno(errno ? errno : EIO);
        ::close(fd);
    }
    if (!file && missing)
        ::unlink(target.path.c_str());
    return file;
}

std::FILE* CreateTemporary(const SaveTarget& target, std::string& tempPath, Failure& why)
{
    static std::random_device random;
    const std::string folder = DirectoryOf(target.path) + "/.";
    std::string base = BaseOf(target.path);
    const mode_t mode = target.kind == SaveTarget::Missing ? 0666 : 0600;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%08x", unsigned(random()));
        const std::string name = folder + base + suffix;
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        // The folder takes names as long as the target's: a temporary name of that length.
        if (fd < 0 && errno == ENAMETOOLONG && base.size() > 10) {
            base.resize(base.size() - 10);
            continue;
        }
        if (fd < 0 && errno == EEXIST)
            continue;
        std::FILE* file = Stream(fd, "w", why);
        if (file)
            tempPath = name;
        else if (fd >= 0)
            ::unlink(name.c_str());
        return file;
    }
    why = Errno(EEXIST);
    return nullptr;
}

Failure CarryOver(std::FILE* file, const SaveTarget& target)
{
    const int fd = ::fileno(file);
    // Only root may give a file away, and only a member may give it its group.
    if (::fchown(fd, uid_t(target.owner), gid_t(target.group)) != 0)
        return Errno(errno == EINVAL ? EPERM : errno);
    if (::fchmod(fd, mode_t(target.mode)) != 0)
        return Errno(errno);
    return CarryAttributes(target.path, fd);
}

Failure Sync(std::FILE* file)
{
    return ::fsync(::fileno(file)) == 0 || errno == EINVAL || errno == EROFS ? Failure() : Errno(errno);
}

Failure CutAtEnd(std::FILE* file)
{
    const int fd = ::fileno(file);
    const off_t end = ::lseek(fd, 0, SEEK_CUR);
    return end >= 0 && ::ftruncate(fd, end) == 0 && ::fsync(fd) == 0 ? Failure() : Errno(errno);
}

Failure PutBack(std::FILE* file, const std::string& bytes)
{
    const int fd = ::fileno(file);
    std::size_t put = 0;
    for (ssize_t n = 1; n > 0 && put < bytes.size(); put += std::size_t(std::max<ssize_t>(n, 0)))
        n = ::pwrite(fd, bytes.data() + put, bytes.size() - put, off_t(put));
    return put == bytes.size() && ::ftruncate(fd, off_t(put)) == 0 && ::fsync(fd) == 0 ? Failure() : Errno(errno);
}

Failure Replace(const std::string& tempPath, const SaveTarget& target, bool&)
{
    if (::rename(tempPath.c_str(), target.path.c_str()) != 0)
        return Errno(errno);
    // Make the rename itself durable; it is done whatever this says.
    const int folder = ::open(DirectoryOf(target.path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return {};
}

void Remove(const std::string& path)
{
    ::unlink(path.c_str());
}

void IgnoreBrokenPipes()
{
    std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace platform
