// ruvo-export: reads a graph file with the editor's own reader and writes it as
// an SVG picture, a Graphviz DOT graph, a GraphML graph or a TikZ picture.
#include "companion/command_line.h"
#include "companion/progress.h"
#include "export/export_formats.h"
#include "io/file_system.h"
#include "io/graph_file.h"

#include <iostream>
#include <string>

#ifndef RUVO_VERSION
#define RUVO_VERSION "unknown"
#endif

namespace {

const char* const programName = "ruvo-export";

const char* const usageLine =
    "Usage: ruvo-export [-f svg|dot|graphml|tikz] [--standalone] [-o OUTPUT] [INPUT]\n";

const char* const helpText =
    "Exports a Ruvo graph file as a picture of the window (SVG), for Graphviz\n"
    "(DOT), for graph analysis tools (GraphML) or for LaTeX documents (TikZ).\n"
    "\n"
    "  INPUT         the graph file to read: graph.ruv if not given, - for\n"
    "                standard input\n"
    "  -f FORMAT     svg, dot, graphml or tikz; without -f, OUTPUT's extension\n"
    "                decides (.svg, .dot or .gv, .graphml, .tikz or .tex)\n"
    "  -o OUTPUT     the file to write, a regular file replaced only once the\n"
    "                export is complete; standard output if not given or -\n"
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
    bool standalone = false;                 // --standalone was given
    bool help = false;                       // --help was given
    bool version = false;                    // --version was given
};

// Reads the arguments into options; returns the usage error, "" when there is none.
std::string parseArguments(int argc, char** argv, Options& options) {
    bool inputGiven = false;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool option = !optionsEnded && arg.size() > 1 && arg[0] == '-';
        if (option && arg == "--") {
            optionsEnded = true;
        } else if (option && arg == "--help") {
            options.help = true;
        } else if (option && arg == "--version") {
            options.version = true;
        } else if (option && arg == "--standalone") {
            options.standalone = true;
        } else if (option && arg.compare(0, 2, "-f") == 0) {
            if (!takeOptionValue(argc, argv, i, options.formatName))
                return "-f needs a format: svg, dot, graphml or tikz";
        } else if (option && arg.compare(0, 2, "-o") == 0) {
            if (!takeOptionValue(argc, argv, i, options.output) || options.output.empty())
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

// Settles the format from -f or else from OUTPUT's extension; returns the usage
// error, "" when there is none.
std::string chooseFormat(Options& options) {
    if (!options.formatName.empty()) {
        if (!formatNamed(options.formatName, options.format))
            return "unknown format \"" + options.formatName + "\": use svg, dot, graphml or tikz";
    } else if (toStandardOutput(options) || !formatOfFileName(options.output, options.format)) {
        return "no format: give -f svg|dot|graphml|tikz, or an OUTPUT ending in .svg, .dot, .gv, "
               ".graphml, .tikz or .tex";
    }
    if (options.standalone && options.format != ExportFormat::tikz)
        return "--standalone makes a LaTeX document, for -f tikz only";
    return "";
}

// Reads and checks the input, reporting a refusal on standard error.
bool readInput(const std::string& input, GraphFile& file) {
    if (input != "-")
        return readGraphFile(input.c_str(), file, programName);
    std::string text;
    const FileStatus status = readStandardInput(text);
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
    Options options;
    std::string error = parseArguments(argc, argv, options);
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
    ProgressLine progress(programName);
    progress.begin("writing " + (options.output.empty() || options.output == "-"
                                     ? std::string("standard output")
                                     : options.output),
                   static_cast<int64_t>(file.vertices.size()));
    std::string text = exportGraph(file, options.format);
    if (options.standalone)
        text = standaloneDocument(text);
    progress.end();
    return writeOutput(programName, options.output, text) ? exported : failed;
}
