// What the companion programs (ruvo-export, ruvo-import) share on the command
// line: option values, reading standard input and writing their output.
#pragma once

#include <string>

// What a companion program says about itself.
struct ProgramText {
    const char* name;      // the command's name, which starts every message
    const char* version;   // the version --version prints
    const char* usageLine; // "Usage: ...", ending in a newline
    const char* helpText;  // what --help prints after the usage line
};

// Prints the usage line and the help text when help is set, or else the version
// when version is set, on standard output. Returns whether it printed anything.
bool printHelpOrVersion(const ProgramText& program, bool help, bool version);

// Reports a usage error on standard error, followed by the usage line and a
// pointer to --help.
void reportUsageError(const ProgramText& program, const std::string& error);

// Returns the extension of the last component of fileName without its dot, in
// lower case; "" when it has none.
std::string lowerCaseExtension(const std::string& fileName);

// Takes the value of the short option argv[i] from "-xVALUE" or from the next
// argument, moving i past what it used. Returns false when there is no value.
bool takeOptionValue(int argc, char** argv, int& i, std::string& value);

// Tells whether the files at input and output both exist and are one file (the
// same name, a link, another path to it).
bool isSameFile(const std::string& input, const std::string& output);

// Writes text to standard output when path is "", or else to the file at path
// the way the editor saves graph.ruv, so it is never left half-written. A failure
// is reported on standard error as "PROGRAM: graph not saved to PATH: why" (or
// "PROGRAM: graph not written to standard output: why"). Returns whether the
// text was written.
bool writeOutput(const char* program, const std::string& path, const std::string& text);
