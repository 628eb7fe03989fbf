// Running a program as a user does, from a test's working directory.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>

// Runs command in the working directory with standard output in out.txt and
// standard error in err.txt; returns its exit status, -1 if it did not exit.
inline int runCommand(const std::string& command) {
    const int status = std::system((command + " >out.txt 2>err.txt").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Debian's python3-networkx is installed for Debian's python3.
inline std::string python() {
    return std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
}
