#include "companion/command_line.h"

#include "io/file_system.h"

#include <filesystem>
#include <iostream>
#include <iterator>

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

bool readStandardInput(std::string& bytes) {
    bytes.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    return !std::cin.bad();
}

bool isSameFile(const std::string& input, const std::string& output) {
    std::error_code unknown;
    return std::filesystem::equivalent(input, output, unknown);
}

bool writeOutput(const char* program, const std::string& path, const std::string& text) {
    if (path.empty()) {
        std::cout.write(text.data(), static_cast<std::streamsize>(text.size()));
        std::cout.flush();
        if (!std::cout)
            std::cerr << program << ": graph not written to standard output\n";
        return static_cast<bool>(std::cout);
    }
    const FileStatus status = replaceFileContents(path.c_str(), text);
    if (!status.ok)
        std::cerr << program << ": graph not saved to " << path << ": " << status.reason << '\n';
    return status.ok;
}
