// The few file-system calls the editor makes, behind one portable face. This is
// the only place that uses POSIX or Windows calls directly.
#pragma once

#include <string>
#include <string_view>

// Outcome of reading, parsing or writing a file.
struct FileStatus {
    bool ok = true;
    std::string reason; // why it failed, in the system's words; "" when ok
};

// Reads the whole file at path into bytes, unchanged (no line-end translation).
// Returns a failed status, with bytes unspecified, if the file cannot be read.
FileStatus readFileContents(const char* path, std::string& bytes);

// Replaces the content of the file at path with bytes, all or nothing: the bytes
// go to a temporary file beside the target, which is synced and then renamed over
// it. On failure the old file is untouched and the temporary is removed. A
// symbolic link at path is followed, so the file it names is replaced and the
// link stays; an existing file's permission bits are kept. Returns the outcome.
FileStatus replaceFileContents(const char* path, std::string_view bytes);

// The steps of replaceFileContents, named so tests can make each one fail.
enum class SaveStep { none, createTemporary, write, sync, close, rename };

// Test seam: from now on, the given step of every replaceFileContents call fails
// with the given errno value as if the system had refused it; SaveStep::none
// restores normal behaviour.
void failSaveStep(SaveStep step, int error);
