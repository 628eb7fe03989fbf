// The file code's system calls that POSIX systems and Emscripten's emulation of
// them in the browser answer alike; each platform's own are in
// file_system_posix.cpp and file_system_web.cpp.
#include "io/file_system.h"
#include "io/file_system_platform.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool standardErrorIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

SystemError lastSystemError() {
    return errnoError(errno);
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

bool createTemporaryBeside(const std::string& target, FileHandle& file, std::string& name) {
    name = target + ".XXXXXX";
    file = mkstemp(name.data());
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

std::string_view platformText(std::string_view text, std::string&) {
    return text;
}
