// ruvo-export: reads a graph file with the editor's own reader and writes it as
// an SVG or PNG picture, a Graphviz DOT graph, a GraphML graph or a TikZ picture.
#include "companion/command_line.h"
#include "companion/progress.h"
#include "export/export_formats.h"
#include "io/file_system.h"
#include "io/graph_file.h"

#include <charconv>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#ifndef RUVO_VERSION
#define RUVO_VERSION "unknown"
#endif

namespace {

const char* const programName = "ruvo-export";

const char* const usageLine =
    "Usage: ruvo-export [-f svg|png|dot|graphml|tikz] [--scale N] [--standalone] [-o OUTPUT]\n"
    "                   [INPUT]\n";

const char* const helpText =
    "Exports a Ruvo graph file as a picture of the window (SVG, or its pixels as\n"
    "PNG), for Graphviz (DOT), for graph analysis tools (GraphML) or for LaTeX\n"
    "documents (TikZ).\n"
    "\n"
    "  INPUT         the graph file to read: graph.ruv if not given, - for\n"
    "                standard input\n"
    "  -f FORMAT     svg, png, dot, graphml or tikz; without -f, OUTPUT's\n"
    "                extension decides (.svg, .png, .dot or .gv, .graphml, .tikz\n"
    "                or .tex)\n"
    "  -o OUTPUT     the file to write, a regular file replaced only once the\n"
    "                export is complete; standard output if not given or -\n"
    "  --scale N     with png, each of the window's 400 x 400 pixels as an N x N\n"
    "                block, N a whole number from 1 (the default) to 16\n"
    "  --standalone  with tikz, a whole LaTeX document whose one page is the\n"
    "                picture, for pdflatex\n"
    "  --help        show this help and exit\n"
    "  --version     show the version and exit\n"
    "\n"
    "Exit status: 0 exported, 1 input refused or output not written, 2 usage error.\n";

const ProgramText programText{programName, RUVO_VERSION, usageLine, helpText};

enum ExitStatus { exported = 0, failed = 1, usageError = 2 };

struct Options {
    std::string input = graphFileName;       // the graph file to read; "-" for standard input
    std::string output;                      // the file to write; "" or "-" for standard output
    std::string formatName;                  // the name given with -f; "" when none
    ExportFormat format = ExportFormat::svg; // the format to write, once settled
    std::string scaleText;                   // the value given with --scale; "" when none
    int scale = 1;                           // each PNG pixel's side, once settled
    bool standalone = false;                 // --standalone was given
    bool help = false;                       // --help was given
    bool version = false;                    // --version was given
};

// The usage error of a missing or wrong --scale value given.
std::string scaleError(const std::string& given) {
    std::string error = "--scale needs a whole number from 1 to " + std::to_string(maximumPngScale);
    return given.empty() ? error : error + ", not \"" + given + "\"";
}

// Reads the arguments into options; returns the usage error, "" when there is none.
std::string parseArguments(const std::vector<std::string>& arguments, Options& options) {
    bool inputGiven = false;
    bool optionsEnded = false;
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        const bool option = !optionsEnded && arg.size() > 1 && arg[0] == '-';
        if (option && arg == "--") {
            optionsEnded = true;
        } else if (option && arg == "--help") {
            options.help = true;
        } else if (option && arg == "--version") {
            options.version = true;
        } else if (option && arg == "--standalone") {
            options.standalone = true;
        } else if (option && arg == "--scale") {
            if (++i == arguments.size())
                return scaleError("");
            options.scaleText = arguments[i];
        } else if (option && arg.compare(0, 2, "-f") == 0) {
            if (!takeOptionValue(arguments, i, options.formatName))
                return "-f needs a format: svg, png, dot, graphml or tikz";
        } else if (option && arg.compare(0, 2, "-o") == 0) {
            if (!takeOptionValue(arguments, i, options.output) || options.output.empty())
                return "-o needs a file name";
        } else if (option) {
            return "unknown option " + arg;
        } else if (inputGiven) {
            return "more than one INPUT: " + options.input + " and " + arg;
        } else {
            options.input = arg;
            inputGiven = true;
        }
    }
    return "";
}

bool toStandardOutput(const Options& options) {
    return options.output.empty() || options.output == "-";
}

// Reads text as a PNG scale, a whole number from 1 to maximumPngScale; returns
// whether it is one.
bool readScale(const std::string& text, int& scale) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || at != end || value < 1 || value > maximumPngScale)
        return false;
    scale = value;
    return true;
}

// Settles the format from -f or else from OUTPUT's extension; returns the usage
// error, "" when there is none.
std::string chooseFormat(Options& options) {
    if (!options.formatName.empty()) {
        if (!formatNamed(options.formatName, options.format))
            return "unknown format \"" + options.formatName +
                   "\": use svg, png, dot, graphml or tikz";
    } else if (toStandardOutput(options) || !formatOfFileName(options.output, options.format)) {
        return "no format: give -f svg|png|dot|graphml|tikz, or an OUTPUT ending in .svg, .png, "
               ".dot, .gv, .graphml, .tikz or .tex";
    }
    if (options.standalone && options.format != ExportFormat::tikz)
        return "--standalone makes a LaTeX document, for -f tikz only";
    if (options.scaleText.empty())
        return "";
    if (options.format != ExportFormat::png)
        return "--scale enlarges a PNG picture, for -f png only";
    if (!readScale(options.scaleText, options.scale))
        return scaleError(options.scaleText);
    return "";
}

// Reads and checks the input, reporting a refusal on standard error.
bool readInput(const std::string& input, GraphFile& file) {
    if (input != "-")
        return readGraphFile(input.c_str(), file, programName);
    std::string text;
    FileStatus status;
    try {
        status = readStandardInput(text);
    } catch (const std::bad_alloc&) {
        status = {false, outOfMemory};
    }
    if (!status.ok) {
        std::cerr << programName << ": standard input not loaded: " << status.reason << '\n';
        return false;
    }
    return checkGraphText(text, "standard input", file, programName);
}

} // namespace

int main(int argc, char** argv) {
    // A file-size limit must fail the write, not kill the program with the
    // temporary of -o left behind.
    ignoreOutputSignals();
    showUtf8OnConsoles();
    Options options;
    std::string error = parseArguments(programArguments(argc, argv), options);
    if (error.empty() && printHelpOrVersion(programText, options.help, options.version))
        return exported;
    if (error.empty())
        error = chooseFormat(options);
    if (error.empty())
        error = outputIsInputError(options.input, options.output);
    if (!error.empty()) {
        reportUsageError(programText, error);
        return usageError;
    }
    GraphFile file;
    if (!readInput(options.input, file))
        return failed;
    // The graph is loaded; running out of memory while exporting it is a refusal
    // too, said in one line.
    try {
        ProgressLine progress(programName);
        progress.begin("writing " + (options.output.empty() || options.output == "-"
                                         ? std::string("standard output")
                                         : options.output),
                       static_cast<int64_t>(file.vertices.size()));
        std::string text = exportGraph(file, options.format, options.scale);
        progress.end();
        if (text.empty()) {
            std::cerr << programName << ": picture not made: libpng ran out of memory\n";
            return failed;
        }
        if (options.standalone)
            text = standaloneDocument(text);
        return writeOutput(programName, options.output, text, options.format == ExportFormat::png)
                   ? exported
                   : failed;
    } catch (const std::bad_alloc&) {
        std::cerr << programName << ": "
                  << (options.input == "-" ? "standard input" : options.input)
                  << " not exported: " << outOfMemory << '\n';
        return failed;
    }
}
