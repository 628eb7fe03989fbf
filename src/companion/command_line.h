// What the companion programs (ruvo-export, ruvo-import) share on the command
// line: option values, reading standard input and writing their output.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

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

// Finds name in table, pairs of a name and the value it stands for: sets value
// and returns true when it is there; returns false, leaving value unchanged,
// when it is not.
template <typename Value, std::size_t count>
bool findNamed(const std::pair<const char*, Value> (&table)[count], const std::string& name,
               Value& value) {
    for (const auto& [known, named] : table) {
        if (name == known) {
            value = named;
            return true;
        }
    }
    return false;
}

// Returns the extension of the last component of fileName, UTF-8 text like
// every file name here, without its dot, in lower case; "" when it has none.
std::string lowerCaseExtension(const std::string& fileName);

// Takes the value of the short option arguments[i] from "-xVALUE" or from the
// next argument, moving i past what it used. Returns false when there is no value.
bool takeOptionValue(const std::vector<std::string>& arguments, size_t& i, std::string& value);

// Returns the usage error of an OUTPUT that is the INPUT file itself (the same
// name, a link, another path to it), which writing would replace; "" when there
// is none. "" and "-" stand for the standard streams and name no file.
std::string outputIsInputError(const std::string& input, const std::string& output);

// Writes text to standard output when path is "" or "-", or else to the file at path
// the way the editor saves graph.ruv, so it is never left half-written; with
// the platform's line ends, or byte for byte when binary is set. A failure
// is reported on standard error as "PROGRAM: graph not saved to PATH: why" (or
// "PROGRAM: graph not written to standard output: why"). Returns whether the
// text was written.
bool writeOutput(const char* program, const std::string& path, const std::string& text,
                 bool binary);
