#include "io/SafeFileWriter.h"

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The file a (chain of) symbolic link(s) names; the path itself otherwise.
std::string FollowLinks(const std::string& path)
{
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
        std::vector<char> buffer(PATH_MAX + 1);
        const ssize_t n = ::readlink(current.c_str(), buffer.data(), PATH_MAX);
        if (n <= 0)
            return current;
        std::string link(buffer.data(), std::size_t(n));
        current = link[0] == '/' ? link : DirectoryOf(current) + "/" + link;
    }
    return current;
}

// The test hook's fault, counted down one failable step at a time.
bool InjectedFault()
{
    if (SafeFileWriter::failStepForTesting < 0 || SafeFileWriter::failStepForTesting-- > 0)
        return false;
    errno = EIO;
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
        ::unlink(tempPath.c_str());
        tempPath.clear();
    }
}

bool SafeFileWriter::OpenInPlace(bool existed)
{
    const int fd = InjectedFault() ? -1 : ::open(finalPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    file = ::fdopen(fd, "w");
    if (!file) {
        error = std::strerror(errno);
        ::close(fd);
        if (!existed)
            ::unlink(finalPath.c_str());
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
    if (target.empty()) {
        error = std::strerror(ENOENT);
        return false;
    }
    finalPath = FollowLinks(target);

    struct stat st;
    const bool exists = ::stat(finalPath.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
        error = std::strerror(EISDIR);
        return false;
    }
    if (exists && ::access(finalPath.c_str(), W_OK) != 0) {
        error = std::strerror(errno);
        return false;
    }
    if (exists && !S_ISREG(st.st_mode)) {
        // A device or a pipe cannot be replaced by a rename: write to it as it is.
        file = std::fopen(finalPath.c_str(), "w");
        if (!file) {
            error = std::strerror(errno);
            return false;
        }
        return true;
    }

    if (exists && st.st_nlink > 1)
        return OpenInPlace(true);

    std::string pattern = DirectoryOf(finalPath) + "/." + BaseOf(finalPath) + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = InjectedFault() ? -1 : ::mkstemp(name.data());
    if (fd < 0) {
        // A full disk is no reason to write in place: the old content would
        // most likely be lost as well.
        if (errno == ENOSPC || errno == EDQUOT) {
            error = std::strerror(errno);
            return false;
        }
        return OpenInPlace(exists);
    }
    tempPath = name.data();

    mode_t mode;
    if (exists) {
        mode = st.st_mode & 07777;
        // Only root may give a file away; its group, a member may still keep.
        if (::fchown(fd, st.st_uid, st.st_gid) != 0 && ::fchown(fd, uid_t(-1), st.st_gid) != 0) {
            // Neither allowed: the file stays ours, as a new file of this user would be.
        }
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd, mode) != 0 || !(file = ::fdopen(fd, "w"))) {
        error = std::strerror(errno);
        ::close(fd);
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
    // Devices and pipes cannot be synced, which is no failure; an injected fault
    // fails as a real sync would, through the same test of errno.
    if (!failed && (InjectedFault() ? -1 : ::fsync(::fileno(file))) != 0 && errno != EINVAL && errno != EROFS)
        Fail();
    const int closed = std::fclose(file);
    file = nullptr;
    if (!failed && (closed != 0 || InjectedFault()))
        Fail();
    if (!failed && !tempPath.empty() && (InjectedFault() || ::rename(tempPath.c_str(), finalPath.c_str()) != 0))
        Fail();
    if (failed) {
        lost = inPlace && !created;
        if (created)
            ::unlink(finalPath.c_str());  // there was nothing before: leave nothing half-written
        Discard();
        return false;
    }
    tempPath.clear();
    // Make the rename itself durable.
    const int dir = ::open(DirectoryOf(finalPath).c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}
