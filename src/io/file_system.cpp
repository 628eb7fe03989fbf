#include "io/file_system.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

static SaveStep failingStep = SaveStep::none; // the step tests make fail, none in normal use
static int failingError = 0;                  // the errno that step reports, 0 for none

void failSaveStep(SaveStep step, int error) {
    failingStep = step;
    failingError = error;
}

// Tells whether a test has made this step fail, and if so sets errno for it.
static bool injectedFault(SaveStep step) {
    if (step == SaveStep::none || step != failingStep)
        return false;
    errno = failingError;
    return true;
}

// The failed status for the current errno.
static FileStatus failure() {
    return {false, std::strerror(errno)};
}

FileStatus readFileContents(const char* path, std::string& bytes) {
    // Opening a named pipe or a device would block or never end; only a plain
    // file holds a graph.
    std::error_code unknown;
    const auto type = std::filesystem::status(path, unknown).type();
    if (type == std::filesystem::file_type::directory) {
        errno = EISDIR;
        return failure();
    }
    if (!unknown && type != std::filesystem::file_type::not_found &&
        type != std::filesystem::file_type::regular)
        return {false, "not a regular file"};
    FILE* file = std::fopen(path, "rb");
    if (!file)
        return failure();
    bytes.clear();
    char buffer[1 << 16];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, count);
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    if (failed) {
        errno = error;
        return failure();
    }
    return {};
}

#ifdef _WIN32

// Windows has no cheap equivalent of following the link or keeping the mode, so
// the temporary simply replaces the named file.
FileStatus replaceFileContents(const char* path, std::string_view bytes) {
    const std::string temporary = std::string(path) + ".tmp";
    // Text mode, so every '\n' is written as the platform's CR LF.
    FILE* file =
        injectedFault(SaveStep::createTemporary) ? nullptr : std::fopen(temporary.c_str(), "w");
    if (!file)
        return failure();
    bool written = !injectedFault(SaveStep::write) &&
                   std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() &&
                   std::fflush(file) == 0;
    written = written && !injectedFault(SaveStep::sync) && _commit(_fileno(file)) == 0;
    int error = errno;
    if ((std::fclose(file) != 0 || injectedFault(SaveStep::close)) && written) {
        written = false;
        error = errno;
    }
    if (!written) {
        std::remove(temporary.c_str());
        errno = error;
        return failure();
    }
    if (injectedFault(SaveStep::rename) ||
        !MoveFileExA(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const FileStatus status =
            failingStep == SaveStep::rename
                ? failure()
                : FileStatus{false, "cannot replace the file (Windows error " +
                                        std::to_string(GetLastError()) + ")"};
        std::remove(temporary.c_str());
        return status;
    }
    return {};
}

#else

// Follows symbolic links from path to the file they finally name; a dangling
// link names the file that writing through it would create. Returns false, with
// errno set, only for a loop of links.
static bool resolveLinks(std::string& path) {
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

// The directory that holds path, "." for a bare file name.
static std::string directoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Gives the temporary the mode (and, where allowed, the owner) that writing the
// target in place would leave it with: an existing file's, else 0666 less umask.
static bool copyPermissions(int fd, const std::string& target) {
    struct stat info;
    if (stat(target.c_str(), &info) == 0) {
        if (fchown(fd, info.st_uid, info.st_gid) != 0) {
            // Only a privileged user may give a file away; the mode still holds.
        }
        return fchmod(fd, info.st_mode & 07777) == 0;
    }
    const mode_t mask = umask(0);
    umask(mask);
    return fchmod(fd, 0666 & ~mask) == 0;
}

static bool writeAll(int fd, std::string_view bytes) {
    if (injectedFault(SaveStep::write))
        return false;
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

// Makes the rename itself durable; a failure here leaves a complete file either
// way, so it is not reported.
static void syncDirectory(const std::string& directory) {
    const int fd = open(directory.c_str(), O_RDONLY);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

// Refuses what writing the target in place would refuse, and anything that is
// not a plain file, which renaming over it would destroy (a link to /dev/null).
static FileStatus checkReplaceable(const std::string& target) {
    struct stat info;
    if (stat(target.c_str(), &info) != 0)
        return {};
    if (S_ISDIR(info.st_mode)) {
        errno = EISDIR;
        return failure();
    }
    if (!S_ISREG(info.st_mode))
        return {false, "not a regular file"};
    if (access(target.c_str(), W_OK) != 0)
        return failure();
    return {};
}

FileStatus replaceFileContents(const char* path, std::string_view bytes) {
    std::string target = path;
    if (!resolveLinks(target))
        return failure();
    if (const FileStatus replaceable = checkReplaceable(target); !replaceable.ok)
        return replaceable;
    std::string temporary = target + ".XXXXXX";
    const int fd = injectedFault(SaveStep::createTemporary) ? -1 : mkstemp(temporary.data());
    if (fd < 0)
        return failure();

    bool saved = copyPermissions(fd, target) && writeAll(fd, bytes) &&
                 !injectedFault(SaveStep::sync) && fsync(fd) == 0;
    int error = errno;
    // The descriptor is closed even when a test pretends close failed.
    if ((close(fd) != 0 || injectedFault(SaveStep::close)) && saved) {
        saved = false;
        error = errno;
    }
    if (saved &&
        (injectedFault(SaveStep::rename) || rename(temporary.c_str(), target.c_str()) != 0)) {
        saved = false;
        error = errno;
    }
    if (!saved) {
        unlink(temporary.c_str());
        errno = error;
        return failure();
    }
    syncDirectory(directoryOf(target));
    return {};
}

#endif
