// The file code's system calls on POSIX systems.
#include "io/file_system.h"
#include "io/file_system_platform.h"

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

void ignoreOutputSignals() {
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}

bool standardErrorIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
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

bool syncFile(FileHandle file) {
    return fsync(descriptor(file)) == 0;
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
