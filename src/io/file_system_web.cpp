// The file code's system calls in the browser, on Emscripten's file system. The
// page mounts the browser's storage (IndexedDB) as the working directory before
// the editor starts. Files there have a mode but no owner and no second name,
// and a file is durable only once the page has copied the storage back to
// IndexedDB, which syncFile asks it to do.
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

// Emscripten calls its standard streams terminals, but in the page they are
// the trace and message panes, or a worker's captured output: nobody watches a
// line redrawn in place there, and the page has no thread to redraw it.
bool standardErrorIsTerminal() {
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

bool syncFile(FileHandle) {
    askPageToStoreFiles();
    return true;
}

// syncFile has already asked for the whole storage to be kept.
void syncDirectoryOf(const std::string&) {}
