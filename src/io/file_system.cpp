// Reading a file whole, and the choice between replacing a file through a
// temporary and writing it in place, on top of each platform's few calls.
#include "io/file_system.h"

#include "io/file_system_platform.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

// Per step, the errno value tests make it fail with; 0 where it works.
static std::array<int, static_cast<size_t>(SaveStep::restore) + 1> failingErrors{};

void failSaveStep(SaveStep step, int error) {
    if (step == SaveStep::none)
        failingErrors.fill(0);
    else
        failingErrors[static_cast<size_t>(step)] = error;
}

SystemError errnoError(int error) {
    return {error == EACCES || error == EPERM || error == EBUSY, std::strerror(error)};
}

// Tells whether a test has made step fail, and if so puts its error in why.
static bool injectedFault(SaveStep step, SystemError& why) {
    const int error = failingErrors[static_cast<size_t>(step)];
    if (error == 0)
        return false;
    why = errnoError(error);
    return true;
}

// Runs one step of a save: the fault a test injected, if any, else call. On
// failure, why says what went wrong.
template <typename Call> static bool runStep(SaveStep step, SystemError& why, Call call) {
    if (injectedFault(step, why))
        return false;
    if (call())
        return true;
    why = lastSystemError();
    return false;
}

// Closes file whatever happens; a close a test makes fail has still closed it.
static bool closeStep(FileHandle file, SystemError& why) {
    const bool closed = closeFile(file);
    if (!closed)
        why = lastSystemError();
    return !injectedFault(SaveStep::close, why) && closed;
}

static FileStatus failure(const std::string& reason) {
    return {false, reason};
}

// Reads file to its end into bytes; on a failure returns the C library's reason.
static FileStatus readToEnd(FILE* file, std::string& bytes) {
    bytes.clear();
    char buffer[1 << 16];
    size_t count;
    errno = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, count);
    if (std::ferror(file) != 0)
        return failure(errno != 0 ? std::strerror(errno) : "it cannot be read");
    return {};
}

// Why what facts describe cannot hold a graph file; nullptr for a regular file
// or nothing at all.
static const char* notPlainFile(const FileFacts& facts) {
    if (facts.directory)
        return "Is a directory";
    if (facts.exists && !facts.regular)
        return "not a regular file";
    return nullptr;
}

FileStatus readFileContents(const char* path, std::string& bytes) {
    // Opening a named pipe or a device would block or never end; only a plain
    // file holds a graph. A path that cannot be inspected is left to the open
    // to explain.
    FileFacts facts;
    inspectFile(path, facts);
    if (const char* why = notPlainFile(facts))
        return failure(why);
    FILE* file = openToRead(path);
    if (!file)
        return failure(std::strerror(errno));
    FileStatus status;
    try {
        status = readToEnd(file, bytes);
    } catch (...) {
        // Out of memory: the file is closed before the caller hears of it.
        std::fclose(file);
        throw;
    }
    std::fclose(file);
    return status;
}

FileStatus readStandardInput(std::string& bytes) {
    return readToEnd(stdin, bytes);
}

FileStatus writeStandardOutputBytes(std::string_view bytes) {
    useBinaryStandardOutput();
    return writeStandardOutput(bytes);
}

FileStatus writeStandardOutput(std::string_view text) {
    errno = 0;
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    if (std::fflush(stdout) == 0 && written)
        return {};
    const int error = errno;
    std::clearerr(stdout);
    return failure(error != 0 ? std::strerror(error) : "it cannot be written");
}

// How replacing through a temporary ended.
enum class Replaced {
    done,    // the new file is in place
    blocked, // the directory or the owner refused; the old file is untouched
    failed,  // the new file could not be written; the old file is untouched
};

// Writes bytes to a temporary beside target, syncs it and renames it over target.
// On anything but done the temporary is gone and why says what stopped it.
static Replaced replaceThroughTemporary(const std::string& target, bool exists,
                                        std::string_view bytes, SystemError& why) {
    FileHandle file = noFile;
    std::string temporary;
    if (!runStep(SaveStep::createTemporary, why,
                 [&] { return createTemporaryBeside(target, file, temporary); }))
        return why.refused ? Replaced::blocked : Replaced::failed;
    const auto discard = [&](Replaced outcome) {
        removeFile(temporary);
        return outcome;
    };
    // A replacement with another owner, group or mode would change what the
    // file is; writing in place keeps them.
    if (!copyAttributes(file, target, exists)) {
        why = lastSystemError();
        closeFile(file);
        return discard(why.refused ? Replaced::blocked : Replaced::failed);
    }
    const bool written =
        runStep(SaveStep::write, why, [&] { return writeFromStart(file, bytes); }) &&
        runStep(SaveStep::sync, why, [&] { return syncFile(file); });
    SystemError closeWhy;
    const bool closed = closeStep(file, closeWhy);
    if (written && !closed)
        why = closeWhy;
    if (!written || !closed)
        return discard(Replaced::failed);
    if (!runStep(SaveStep::rename, why, [&] { return renameOver(temporary, target); }))
        return discard(why.refused ? Replaced::blocked : Replaced::failed);
    syncDirectoryOf(target);
    return Replaced::done;
}

// Writes old back over file after a failed in-place write; returns the end of
// the failure message, which says whether that worked.
static std::string restoreOldContent(FileHandle file, const std::string& old) {
    SystemError why;
    if (runStep(SaveStep::restore, why, [&] {
            return writeFromStart(file, old) && cutFile(file, old.size()) && syncFile(file);
        }))
        return "; the old content was restored";
    return "; the old content could not be restored (" + why.text + ")";
}

// Writes bytes over the existing file target, keeping its old bytes in memory
// to write back if any step fails.
static FileStatus writeInPlace(const std::string& target, std::string_view bytes) {
    FileHandle file = noFile;
    SystemError why;
    if (!runStep(SaveStep::openInPlace, why, [&] { return openForUpdate(target, file); }))
        return failure(why.text);
    std::string old;
    if (!runStep(SaveStep::readOld, why, [&] { return readWhole(file, old); })) {
        closeFile(file);
        return failure(why.text);
    }
    const bool written =
        runStep(SaveStep::writeInPlace, why, [&] { return writeFromStart(file, bytes); }) &&
        runStep(SaveStep::syncInPlace, why, [&] { return syncFile(file); }) &&
        runStep(SaveStep::truncate, why, [&] { return cutFile(file, bytes.size()); }) &&
        runStep(SaveStep::syncInPlace, why, [&] { return syncFile(file); });
    const std::string restored = written ? "" : restoreOldContent(file, old);
    // Everything written is synced by now, so a failed close loses nothing.
    closeFile(file);
    return written ? FileStatus{} : failure(why.text + restored);
}

FileStatus replaceFileContents(const char* path, std::string_view text) {
    std::string storage;
    return replaceFileBytes(path, platformText(text, storage));
}

FileStatus replaceFileBytes(const char* path, std::string_view bytes) {
    std::string target = path;
    FileFacts facts;
    if (!followLinks(target) || !inspectFile(target, facts))
        return failure(lastSystemError().text);
    // Replacing a device or a pipe would destroy it (a link to /dev/null, say).
    if (const char* why = notPlainFile(facts))
        return failure(why);
    // A rename would replace a file the user may not write; writing in place
    // would be refused, and so is the save.
    if (facts.exists && !facts.writable)
        return failure("the file is read-only for you");
    if (facts.exists && facts.links > 1)
        return writeInPlace(target, bytes);

    SystemError why;
    const Replaced replaced = replaceThroughTemporary(target, facts.exists, bytes, why);
    if (replaced == Replaced::done)
        return {};
    if (replaced == Replaced::blocked && facts.exists)
        return writeInPlace(target, bytes);
    if (replaced == Replaced::blocked)
        return failure("the directory does not let a new file be made, and there is no file "
                       "to write in place (" +
                       why.text + ")");
    return failure(why.text);
}
