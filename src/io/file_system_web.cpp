// The file code's system calls in the browser, on Emscripten's file system. The
// page mounts the browser's storage (IndexedDB) as the working directory before
// the editor starts. Files there have a mode but no owner and no second name,
// no signal interrupts a call, and a file is durable only once the page has
// copied the storage back to IndexedDB, which syncFile asks it to do.
#include "io/file_system.h"
#include "io/file_system_platform.h"

#include <emscripten/emscripten.h>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Asks the page to copy the storage back to IndexedDB once the running handler
// has returned, so that what a save leaves behind is what is kept.
EM_JS(void, askPageToStoreFiles, (), {
    if (Module.storeFiles)
        Module.storeFiles();
});

// The mode of a new file: read and write for all, as the C library's own fopen
// gives one here (Emscripten has no real umask).
static constexpr mode_t newFileMode = 0666;

void ignoreOutputSignals() {}

SystemError lastSystemError() {
    return errnoError(errno);
}

static int descriptor(FileHandle file) {
    return static_cast<int>(file);
}

bool followLinks(std::string& path) {
    for (int hops = 0; hops < 40; ++hops) {
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
    facts.writable = access(path.c_str(), W_OK) == 0;
    facts.links = 1;
    return true;
}

bool createTemporaryBeside(const std::string& target, FileHandle& file, std::string& name) {
    name = target + ".XXXXXX";
    file = mkstemp(name.data());
    return file >= 0;
}

// There is no owner to keep; the mode is the old file's, or a new file's.
bool copyAttributes(FileHandle file, const std::string& target, bool exists) {
    struct stat info;
    const mode_t mode =
        exists && stat(target.c_str(), &info) == 0 ? info.st_mode & 07777 : newFileMode;
    return fchmod(descriptor(file), mode) == 0;
}

bool openForUpdate(const std::string& path, FileHandle& file) {
    file = open(path.c_str(), O_RDWR);
    return file >= 0;
}

bool readWhole(FileHandle file, std::string& bytes) {
    if (lseek(descriptor(file), 0, SEEK_SET) != 0)
        return false;
    bytes.clear();
    char buffer[1 << 16];
    ssize_t count;
    while ((count = read(descriptor(file), buffer, sizeof buffer)) > 0)
        bytes.append(buffer, static_cast<size_t>(count));
    return count == 0;
}

bool writeFromStart(FileHandle file, std::string_view bytes) {
    if (lseek(descriptor(file), 0, SEEK_SET) != 0)
        return false;
    while (!bytes.empty()) {
        const ssize_t written = write(descriptor(file), bytes.data(), bytes.size());
        if (written < 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

bool syncFile(FileHandle) {
    askPageToStoreFiles();
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

// syncFile has already asked for the whole storage to be kept.
void syncDirectoryOf(const std::string&) {}

std::string_view platformText(std::string_view text, std::string&) {
    return text;
}
