// What the file code asks of the operating system, one implementation per
// platform: file_system_windows.cpp; file_system_posix.cpp, or in the browser
// file_system_web.cpp, each with file_system_unistd.cpp for the calls the two
// share. Only
// file_system.cpp includes this header. Calls that can fail return false, and
// lastSystemError() then says why.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

// Why the last failed call of this header failed.
struct SystemError {
    bool refused = false; // for want of permission, or the target is busy
    std::string text;     // the system's own words, "" when nothing failed
};

// What a path names, once links are followed.
struct FileFacts {
    bool exists = false;    // false when nothing is there yet
    bool directory = false; // a directory is in the way
    bool regular = false;   // a plain file, the only kind ever read or replaced
    bool writable = false;  // the saver may write it
    uint64_t links = 0;     // names the file has; a link that is written through counts as two
};

// An open file: a descriptor, or a Windows HANDLE; noFile when none.
using FileHandle = std::intptr_t;
inline constexpr FileHandle noFile = -1;

// The descriptor a FileHandle holds on POSIX systems and in the browser.
inline int descriptor(FileHandle file) {
    return static_cast<int>(file);
}

SystemError lastSystemError();

// The error that the errno value error stands for, in the C library's words.
SystemError errnoError(int error);

// Opens the file at path for reading bytes, as fopen does with "rb"; nullptr,
// with errno set, when it cannot.
FILE* openToRead(const std::string& path);

// Replaces path with the file its symbolic links finally name (a dangling
// link names the file that writing through it would create).
bool followLinks(std::string& path);

// Fills facts for path, all unset when it cannot be inspected; returns whether
// it could. A path that names nothing is not a failure.
bool inspectFile(const std::string& path, FileFacts& facts);

// Creates an empty file in the directory of target, named uniquely for this
// process, and opens it for writing; its name goes to name.
bool createTemporaryBeside(const std::string& target, FileHandle& file, std::string& name);

// Gives file the owner, group and mode of target when exists, else the mode a
// new file gets. Fails, refused, when the saver may not give that owner or group.
bool copyAttributes(FileHandle file, const std::string& target, bool exists);

// Opens the existing file at path for reading and writing, without truncating.
bool openForUpdate(const std::string& path, FileHandle& file);

// Reads the whole of file, from its start, into bytes.
bool readWhole(FileHandle file, std::string& bytes);

// Writes bytes over file from its start.
bool writeFromStart(FileHandle file, std::string_view bytes);

// Makes everything written to file durable.
bool syncFile(FileHandle file);

// Cuts or extends file to length bytes.
bool cutFile(FileHandle file, uint64_t length);

bool closeFile(FileHandle file);

// Renames from over to, replacing to in one step.
bool renameOver(const std::string& from, const std::string& to);

void removeFile(const std::string& path);

// Makes the directory entries of path's directory durable, where the platform
// needs that for a rename to survive a crash; failures are ignored.
void syncDirectoryOf(const std::string& path);

// Makes standard output write every byte as it is given, where the platform
// would otherwise change line ends.
void useBinaryStandardOutput();

// Returns text with the platform's line ends; storage holds the text when it had
// to be changed.
std::string_view platformText(std::string_view text, std::string& storage);
