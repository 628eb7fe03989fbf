// The few file-system calls the editor makes, behind one portable face. This is
// the only header through which POSIX or Windows calls are reached; each
// platform's calls live in a file of their own (file_system_posix.cpp,
// file_system_windows.cpp, file_system_web.cpp).
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Outcome of reading, parsing or writing a file.
struct FileStatus {
    bool ok = true;
    std::string reason; // why it failed, in the system's words; "" when ok
};

// The reason of a refusal for want of memory (std::bad_alloc), in every program.
inline const char* const outOfMemory = "out of memory";

// Makes writing past a file-size limit or into a closed pipe fail with an error
// instead of ending the process (SIGXFSZ and SIGPIPE are ignored); call it once
// at start-up. Does nothing on Windows, which has neither signal.
void ignoreOutputSignals();

// Returns the program's command-line arguments, the program's own name first, as
// UTF-8 text. On Windows argv holds them in the ANSI code page, where a character
// it lacks has become '?' or a look-alike, so they are read again from the
// system's own wide command line; elsewhere they are argv's bytes.
std::vector<std::string> programArguments(int argc, char** argv);

// Makes the UTF-8 text written to std::cout and std::cerr show as written on a
// Windows console, where it goes out in the console's own wide characters; a
// stream redirected to a file or a pipe, and every stream elsewhere, still gets
// the UTF-8 bytes. Call it once at start-up, before writing to either stream.
void showUtf8OnConsoles();

// Tells whether standard error goes to a terminal (a console on Windows), where
// a person may be watching, rather than to a file or a pipe.
bool standardErrorIsTerminal();

// Reads the whole file at path into bytes, unchanged (no line-end translation).
// Returns a failed status, with bytes unspecified, if the file cannot be read.
FileStatus readFileContents(const char* path, std::string& bytes);

// Reads all of standard input into bytes, as the C library reads it. Returns a
// failed status with the system's reason, for instance when standard input is a
// directory, with bytes unspecified.
FileStatus readStandardInput(std::string& bytes);

// Writes text to standard output and flushes it. Returns a failed status with
// the system's reason when it could not all be written (a full disk, a closed
// pipe).
FileStatus writeStandardOutput(std::string_view text);

// Writes bytes to standard output as writeStandardOutput writes text, but
// exactly as given on every platform (on Windows, standard output stops
// turning line ends into CR LF from then on).
FileStatus writeStandardOutputBytes(std::string_view bytes);

// Makes the file at path hold text, with the platform's line ends, all or
// nothing. Where a new file cannot be told apart from the old one (there is no
// old file, or it has one link and the new file can keep its owner, group and
// mode) the text goes to a temporary beside it, which is synced and renamed over
// it. Otherwise (more links, an owner the saver cannot give, a directory that
// refuses the temporary or the rename) the old file is written in place, and on a
// failure its old content is written back. A symbolic link is followed; anything
// but a regular file is refused. No temporary is ever left behind. Returns the
// outcome; a failure's reason says why, and after an in-place write whether the
// old content was restored.
FileStatus replaceFileContents(const char* path, std::string_view text);

// Makes the file at path hold bytes exactly as given on every platform (a
// picture, say), the way replaceFileContents replaces it.
FileStatus replaceFileBytes(const char* path, std::string_view bytes);

// The steps of replaceFileContents, named so tests can make each one fail: the
// first five replace through a temporary, the rest write in place.
enum class SaveStep {
    none,
    createTemporary,
    write,
    sync,
    close,
    rename,
    openInPlace,
    readOld,
    writeInPlace,
    syncInPlace,
    truncate,
    restore,
};

// Test seam: from now on, the given step of every replaceFileContents call fails
// with the given errno value as if the system had refused it; several steps may
// fail at once. SaveStep::none restores normal behaviour for every step.
void failSaveStep(SaveStep step, int error);
