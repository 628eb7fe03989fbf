// The file code's system calls on POSIX systems.
#include "io/file_system.h"
#include "io/file_system_platform.h"

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

void ignoreOutputSignals() {
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}

SystemError lastSystemError() {
    return errnoError(errno);
}

static int descriptor(FileHandle file) {
    return static_cast<int>(file);
}

bool followLinks(std::string& path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info;
        if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return true;
        char target[4096];
        const ssize_t length = readlink(path.c_str(), target, sizeof target - 1);
        if (length < 0)
            return true;
        std::string next(target, static_cast<size_t>(length));
        const size_t slash = path.rfind('/');
        if (next[0] != '/' && slash != std::string::npos)
            next = path.substr(0, slash + 1) + next;
        path = next;
    }
    errno = ELOOP;
    return false;
}

bool inspectFile(const std::string& path, FileFacts& facts) {
    struct stat info;
    facts = FileFacts{};
    if (stat(path.c_str(), &info) != 0)
        return errno == ENOENT;
    facts.exists = true;
    facts.directory = S_ISDIR(info.st_mode);
    facts.regular = S_ISREG(info.st_mode);
    // The effective user is the one who writes, not the real one.
    facts.writable = faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
    facts.links = info.st_nlink;
    return true;
}

bool createTemporaryBeside(const std::string& target, FileHandle& file, std::string& name) {
    name = target + ".XXXXXX";
    file = mkstemp(name.data());
    return file >= 0;
}

bool copyAttributes(FileHandle file, const std::string& target, bool exists) {
    struct stat info;
    if (exists && stat(target.c_str(), &info) == 0)
        return fchown(descriptor(file), info.st_uid, info.st_gid) == 0 &&
               fchmod(descriptor(file), info.st_mode & 07777) == 0;
    const mode_t mask = umask(0);
    umask(mask);
    return fchmod(descriptor(file), 0666 & ~mask) == 0;
}

bool openForUpdate(const std::string& path, FileHandle& file) {
    file = open(path.c_str(), O_RDWR | O_CLOEXEC);
    return file >= 0;
}

bool readWhole(FileHandle file, std::string& bytes) {
    if (lseek(descriptor(file), 0, SEEK_SET) != 0)
        return false;
    bytes.clear();
    char buffer[1 << 16];
    for (;;) {
        const ssize_t count = read(descriptor(file), buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return count == 0;
        bytes.append(buffer, static_cast<size_t>(count));
    }
}

bool writeFromStart(FileHandle file, std::string_view bytes) {
    if (lseek(descriptor(file), 0, SEEK_SET) != 0)
        return false;
    while (!bytes.empty()) {
        const ssize_t written = write(descriptor(file), bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

bool syncFile(FileHandle file) {
    return fsync(descriptor(file)) == 0;
}

bool cutFile(FileHandle file, uint64_t length) {
    return ftruncate(descriptor(file), static_cast<off_t>(length)) == 0;
}

bool closeFile(FileHandle file) {
    return close(descriptor(file)) == 0;
}

bool renameOver(const std::string& from, const std::string& to) {
    return rename(from.c_str(), to.c_str()) == 0;
}

void removeFile(const std::string& path) {
    unlink(path.c_str());
}

void syncDirectoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string directory =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const int fd = open(directory.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

std::string_view platformText(std::string_view text, std::string&) {
    return text;
}
