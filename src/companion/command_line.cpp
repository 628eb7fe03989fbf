#include "companion/command_line.h"

#include "io/file_system.h"

#include <cctype>
#include <filesystem>
#include <iostream>

// File names are UTF-8 text, which std::filesystem takes as such only through
// u8path: on Windows a path made from a plain string takes each byte for a
// character.
using std::filesystem::u8path;

bool printHelpOrVersion(const ProgramText& program, bool help, bool version) {
    if (help)
        std::cout << program.usageLine << program.helpText;
    else if (version)
        std::cout << program.name << " " << program.version << '\n';
    return help || version;
}

void reportUsageError(const ProgramText& program, const std::string& error) {
    std::cerr << program.name << ": " << error << '\n'
              << program.usageLine << "Try '" << program.name << " --help' for more.\n";
}

std::string lowerCaseExtension(const std::string& fileName) {
    std::string extension = u8path(fileName).extension().u8string();
    if (!extension.empty())
        extension.erase(0, 1);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

bool takeOptionValue(const std::vector<std::string>& arguments, size_t& i, std::string& value) {
    if (arguments[i].size() > 2) {
        value = arguments[i].substr(2);
        return true;
    }
    if (i + 1 >= arguments.size())
        return false;
    value = arguments[++i];
    return true;
}

std::string outputIsInputError(const std::string& input, const std::string& output) {
    std::error_code unknown;
    if (input == "-" || output == "-" ||
        !std::filesystem::equivalent(u8path(input), u8path(output), unknown))
        return "";
    return "OUTPUT " + output + " is the INPUT file; name another";
}

bool writeOutput(const char* program, const std::string& path, const std::string& text,
                 bool binary) {
    const bool toStandard = path.empty() || path == "-";
    FileStatus status;
    if (toStandard)
        status = binary ? writeStandardOutputBytes(text) : writeStandardOutput(text);
    else
        status =
            binary ? replaceFileBytes(path.c_str(), text) : replaceFileContents(path.c_str(), text);
    if (!status.ok)
        std::cerr << program << ": graph not "
                  << (toStandard ? "written to standard output" : "saved to " + path) << ": "
                  << status.reason << '\n';
    return status.ok;
}
