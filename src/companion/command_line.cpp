#include "companion/command_line.h"

#include "io/file_system.h"

#include <filesystem>
#include <iostream>

bool takeOptionValue(int argc, char** argv, int& i, std::string& value) {
    if (argv[i][2] != '\0') {
        value = argv[i] + 2;
        return true;
    }
    if (i + 1 >= argc)
        return false;
    value = argv[++i];
    return true;
}

bool isSameFile(const std::string& input, const std::string& output) {
    std::error_code unknown;
    return std::filesystem::equivalent(input, output, unknown);
}

bool writeOutput(const char* program, const std::string& path, const std::string& text) {
    const bool toStandard = path.empty();
    const FileStatus status =
        toStandard ? writeStandardOutput(text) : replaceFileContents(path.c_str(), text);
    if (!status.ok)
        std::cerr << program << ": graph not "
                  << (toStandard ? "written to standard output" : "saved to " + path) << ": "
                  << status.reason << '\n';
    return status.ok;
}
