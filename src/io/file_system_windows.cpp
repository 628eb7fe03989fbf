// The file code's system calls on Windows. Paths, arguments and messages are
// UTF-8 everywhere else; here they meet the system's wide (UTF-16) calls, which
// take every name Windows allows, where the ANSI ones (CreateFileA, fopen, main's
// argv) lose each character the ANSI code page lacks. The manifest that makes
// UTF-8 the ANSI code page would do the same with less, but only from Windows 10
// version 1903 on.
#include "io/file_system.h"
#include "io/file_system_platform.h"

#include <algorithm>
#include <cctype>
#include <iostream>
#include <streambuf>
#include <string>

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <shellapi.h>

// The UTF-16 text of the UTF-8 text; a malformed sequence becomes U+FFFD.
static std::wstring widen(std::string_view text) {
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    std::wstring wide(
        static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

// The UTF-8 text of the UTF-16 text; a lone surrogate becomes U+FFFD.
static std::string narrow(std::wstring_view wide) {
    if (wide.empty())
        return {};
    const int size = static_cast<int>(wide.size());
    std::string text(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr,
                                                             0, nullptr, nullptr)),
                     '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, text.data(), static_cast<int>(text.size()),
                        nullptr, nullptr);
    return text;
}

std::vector<std::string> programArguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr)
        return {argv, argv + argc};
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i)
        arguments.push_back(narrow(wide[i]));
    LocalFree(wide);
    return arguments;
}

// The length of text's longest start that does not end inside a UTF-8 sequence.
static size_t wholeCharacters(std::string_view text) {
    for (size_t back = 1; back <= std::min<size_t>(4, text.size()); ++back) {
        const auto code = static_cast<unsigned char>(text[text.size() - back]);
        if ((code & 0xC0) == 0x80)
            continue; // a continuation byte: its sequence started earlier
        const size_t length = code >= 0xF0 ? 4 : code >= 0xE0 ? 3 : code >= 0xC0 ? 2 : 1;
        return length > back ? text.size() - back : text.size();
    }
    return text.size();
}

// A standard stream's buffer that writes UTF-8 text to a console in the
// console's wide characters, each piece as it comes; a character cut between
// two pieces waits for its end.
class ConsoleBuffer : public std::streambuf {
  public:
    explicit ConsoleBuffer(HANDLE console) : console_(console) {}

  protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof()))
            return traits_type::not_eof(c);
        const char code = traits_type::to_char_type(c);
        return xsputn(&code, 1) == 1 ? c : traits_type::eof();
    }

    std::streamsize xsputn(const char* text, std::streamsize count) override {
        pending_.append(text, static_cast<size_t>(count));
        const size_t whole = wholeCharacters(pending_);
        const std::wstring wide = widen(std::string_view(pending_).substr(0, whole));
        pending_.erase(0, whole);
        for (size_t done = 0; done < wide.size();) {
            // Older consoles take a few thousand characters a call; a pair of
            // surrogates stays together.
            size_t chunk = std::min<size_t>(wide.size() - done, 8192);
            if (done + chunk < wide.size() && IS_HIGH_SURROGATE(wide[done + chunk - 1]))
                --chunk;
            DWORD written = 0;
            if (!WriteConsoleW(console_, wide.data() + done, static_cast<DWORD>(chunk), &written,
                               nullptr) ||
                written == 0)
                return 0;
            done += written;
        }
        return count;
    }

  private:
    HANDLE console_;      // the console the stream shows in
    std::string pending_; // the start of a character whose end is still to come; "" when none
};

// Gives stream a ConsoleBuffer when its standard handle, which, is a console.
static void showOnConsole(std::ostream& stream, DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode))
        return;
    // Never deleted: the streams are flushed once more after every static object
    // of the program has been destroyed.
    stream.rdbuf(new ConsoleBuffer(handle));
}

void showUtf8OnConsoles() {
    showOnConsole(std::cout, STD_OUTPUT_HANDLE);
    showOnConsole(std::cerr, STD_ERROR_HANDLE);
}

void ignoreOutputSignals() {}

bool standardErrorIsTerminal() {
    // Only a console has a console mode; _isatty would call the NUL device a
    // terminal too.
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

SystemError lastSystemError() {
    const DWORD error = GetLastError();
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
        reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string words =
        length > 0 ? narrow(std::wstring_view(text, length)) : "unknown system error";
    LocalFree(text);
    // The system's sentences end in a full stop and CR LF; a message goes on after them.
    while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == '.' ||
                              words.back() == ' '))
        words.pop_back();
    const bool refused = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
                         error == ERROR_LOCK_VIOLATION;
    return {refused, words};
}

FILE* openToRead(const std::string& path) {
    return _wfopen(widen(path).c_str(), L"rb");
}

static HANDLE handleOf(FileHandle file) {
    return reinterpret_cast<HANDLE>(file);
}

static FileHandle fileOf(HANDLE handle) {
    return handle == INVALID_HANDLE_VALUE ? noFile : reinterpret_cast<FileHandle>(handle);
}

// A link is written through in place instead (see inspectFile), which keeps
// both the link and the file it names.
bool followLinks(std::string&) {
    return true;
}

// The number of names the file at path has.
static bool countLinks(const std::string& path, uint64_t& links) {
    const HANDLE handle = CreateFileW(widen(path).c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    links = known ? info.nNumberOfLinks : 1;
    return known;
}

// Windows gives the names of its devices (CON, PRN, AUX, NUL, COM0 to COM9,
// LPT0 to LPT9, in any case) to the device in every folder, with or without an
// extension: "graph.ruv" may not be one, but "nul.svg" is the null device.
static bool namesDevice(const std::string& path) {
    const size_t folder = path.find_last_of("/\\:");
    std::string name = path.substr(folder == std::string::npos ? 0 : folder + 1);
    name = name.substr(0, name.find('.'));
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    for (char& c : name)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (name == "CON" || name == "PRN" || name == "AUX" || name == "NUL")
        return true;
    return name.size() == 4 && (name.compare(0, 3, "COM") == 0 || name.compare(0, 3, "LPT") == 0) &&
           name[3] >= '0' && name[3] <= '9';
}

bool inspectFile(const std::string& path, FileFacts& facts) {
    facts = FileFacts{};
    if (namesDevice(path)) {
        facts.exists = true;
        return true;
    }
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &data)) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    const DWORD attributes = data.dwFileAttributes;
    facts.exists = true;
    facts.directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    facts.regular = !facts.directory && (attributes & FILE_ATTRIBUTE_DEVICE) == 0;
    facts.writable = (attributes & FILE_ATTRIBUTE_READONLY) == 0;
    if (!facts.regular)
        return true;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        // A rename would replace the link itself and leave the file it names
        // behind with the old graph.
        facts.links = 2;
        return true;
    }
    return countLinks(path, facts.links);
}

bool createTemporaryBeside(const std::string& target, FileHandle& file, std::string& name) {
    // The process id keeps two editors in one folder apart; the counter, two
    // saves of one editor.
    static unsigned serial = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = target + "." + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(++serial) + ".tmp";
        file = fileOf(CreateFileW(widen(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file != noFile || GetLastError() != ERROR_FILE_EXISTS)
            return file != noFile;
    }
    return false;
}

// Windows gives a new file the folder's inherited permissions and its creator as
// owner; a file that is not read-only has nothing else to keep.
bool copyAttributes(FileHandle, const std::string&, bool) {
    return true;
}

bool openForUpdate(const std::string& path, FileHandle& file) {
    file = fileOf(CreateFileW(widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file != noFile;
}

static bool seekToStart(FileHandle file) {
    LARGE_INTEGER start{};
    return SetFilePointerEx(handleOf(file), start, nullptr, FILE_BEGIN) != 0;
}

bool readWhole(FileHandle file, std::string& bytes) {
    if (!seekToStart(file))
        return false;
    bytes.clear();
    char buffer[1 << 16];
    for (;;) {
        DWORD count = 0;
        if (!ReadFile(handleOf(file), buffer, sizeof buffer, &count, nullptr))
            return false;
        if (count == 0)
            return true;
        bytes.append(buffer, count);
    }
}

bool writeFromStart(FileHandle file, std::string_view bytes) {
    if (!seekToStart(file))
        return false;
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!WriteFile(handleOf(file), bytes.data(), chunk, &written, nullptr))
            return false;
        bytes.remove_prefix(written);
    }
    return true;
}

bool syncFile(FileHandle file) {
    return FlushFileBuffers(handleOf(file)) != 0;
}

bool cutFile(FileHandle file, uint64_t length) {
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(length);
    return SetFilePointerEx(handleOf(file), end, nullptr, FILE_BEGIN) != 0 &&
           SetEndOfFile(handleOf(file)) != 0;
}

bool closeFile(FileHandle file) {
    return CloseHandle(handleOf(file)) != 0;
}

bool renameOver(const std::string& from, const std::string& to) {
    return MoveFileExW(widen(from).c_str(), widen(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void removeFile(const std::string& path) {
    DeleteFileW(widen(path).c_str());
}

// MOVEFILE_WRITE_THROUGH already waits until the rename is on disk.
void syncDirectoryOf(const std::string&) {}

void useBinaryStandardOutput() {
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
}

std::string_view platformText(std::string_view text, std::string& storage) {
    storage.clear();
    storage.reserve(text.size() + text.size() / 8);
    for (const char c : text) {
        if (c == '\n')
            storage += '\r';
        storage += c;
    }
    return storage;
}
