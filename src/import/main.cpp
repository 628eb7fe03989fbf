// ruvo-import: reads a graph from GraphML, GEXF, DOT or an edge list, keeps the
// drawing it has, lays out what has none and writes it as a Ruvo graph file.
#include "companion/command_line.h"
#include "companion/progress.h"
#include "import/import_formats.h"
#include "import/layout.h"
#include "io/file_system.h"
#include "io/graph_file.h"

#include <filesystem>
#include <iostream>
#include <string>

#ifndef RUVO_VERSION
#define RUVO_VERSION "unknown"
#endif

namespace {

const char* const programName = "ruvo-import";

const char* const usageLine = "Usage: ruvo-import [-f graphml|gexf|dot|edgelist] [-o OUTPUT] "
                              "[--force] [--layout ENGINE] [INPUT|-]\n";

const char* const helpText =
    "Imports a graph from GraphML, GEXF, DOT or an edge list as a Ruvo graph file,\n"
    "keeping the drawing it has and laying out the vertices without a position.\n"
    "\n"
    "  INPUT            the file to read; standard input if not given or -\n"
    "  -f FORMAT        graphml, gexf, dot or edgelist; without -f, INPUT's\n"
    "                   extension decides (.graphml, .gexf, .dot or .gv,\n"
    "                   .edgelist or .edges)\n"
    "  -o OUTPUT        the graph file to write: graph.ruv if not given, - for\n"
    "                   standard output\n"
    "  --force          replace OUTPUT if it exists\n"
    "  --layout ENGINE  keep (the default): keep the positions the file gives and\n"
    "                   lay out only the other vertices; neato, fdp, sfdp, circo,\n"
    "                   twopi or dot: lay out the whole graph afresh with that\n"
    "                   Graphviz engine\n"
    "  --help           show this help and exit\n"
    "  --version        show the version and exit\n"
    "\n"
    "Exit status: 0 imported, 1 input refused or output not written, 2 usage error.\n";

const ProgramText programText{programName, RUVO_VERSION, usageLine, helpText};

enum ExitStatus { imported = 0, failed = 1, usageError = 2 };

struct Options {
    std::string input = "-";                     // the file to read; "-" for standard input
    std::string output = graphFileName;          // the file to write; "-" for standard output
    std::string formatName;                      // the name given with -f; "" when none
    ImportFormat format = ImportFormat::graphml; // the format to read, once settled
    std::string engineName = "keep";             // the name given with --layout
    LayoutEngine engine = LayoutEngine::keep;    // the layout, once settled
    bool force = false;                          // --force was given
    bool help = false;                           // --help was given
    bool version = false;                        // --version was given
};

// Takes the value of --layout from "--layout=ENGINE" or from the next argument.
bool takeLayout(int argc, char** argv, int& i, std::string& value) {
    const std::string arg = argv[i];
    if (arg.size() > 8) {
        value = arg.substr(9);
        return !value.empty();
    }
    if (i + 1 >= argc)
        return false;
    value = argv[++i];
    return true;
}

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
        } else if (option && arg == "--force") {
            options.force = true;
        } else if (option && (arg == "--layout" || arg.compare(0, 9, "--layout=") == 0)) {
            if (!takeLayout(argc, argv, i, options.engineName))
                return "--layout needs an engine: keep, neato, fdp, sfdp, circo, twopi or dot";
        } else if (option && arg.compare(0, 2, "-f") == 0) {
            if (!takeOptionValue(argc, argv, i, options.formatName))
                return "-f needs a format: graphml, gexf, dot or edgelist";
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

// Settles the format, the engine and the output; returns the usage error, ""
// when there is none.
std::string checkOptions(Options& options) {
    if (!options.formatName.empty()) {
        if (!importFormatNamed(options.formatName, options.format))
            return "unknown format \"" + options.formatName +
                   "\": use graphml, gexf, dot or edgelist";
    } else if (options.input == "-") {
        return "standard input needs -f graphml|gexf|dot|edgelist";
    } else if (!importFormatOfFileName(options.input, options.format)) {
        return "no format: give -f graphml|gexf|dot|edgelist, or an INPUT ending in .graphml, "
               ".gexf, .dot, .gv, .edgelist or .edges";
    }
    if (!layoutEngineNamed(options.engineName, options.engine))
        return "unknown layout \"" + options.engineName +
               "\": use keep, neato, fdp, sfdp, circo, twopi or dot";
    return outputIsInputError(options.input, options.output);
}

// Tells whether anything, even a dangling link, has the name path.
bool nameTaken(const std::string& path) {
    std::error_code unknown;
    return std::filesystem::symlink_status(path, unknown).type() !=
           std::filesystem::file_type::not_found;
}

// Reads the input's bytes into text; returns the outcome.
FileStatus readInput(const Options& options, std::string& text) {
    return options.input == "-" ? readStandardInput(text)
                                : readFileContents(options.input.c_str(), text);
}

// Reads, places and checks the graph; reports refusals and warnings on standard
// error. Returns whether the graph is ready to write.
bool importGraph(const Options& options, const std::string& name, GraphFile& file,
                 ProgressLine& progress) {
    progress.begin("reading " + name, 0);
    std::string text;
    FileStatus status = readInput(options, text);
    ImportedGraph graph;
    if (status.ok)
        status = readImport(text, options.format, graph);
    text = std::string();
    if (status.ok) {
        progress.begin("laying out", static_cast<int64_t>(graph.vertices.size()));
        status = placeGraph(graph, options.engine);
    }
    progress.end();
    for (const std::string& warning : graph.warnings)
        std::cerr << programName << ": " << name << ": " << warning << '\n';
    if (!status.ok) {
        std::cerr << programName << ": " << name << " not imported: " << status.reason << '\n';
        return false;
    }
    moveIntoGraphFile(graph, file);
    const std::string repairs = repairReferences(file);
    if (!repairs.empty())
        std::cerr << programName << ": " << name << " repaired: " << repairs << '\n';
    return true;
}

} // namespace

int main(int argc, char** argv) {
    // A file-size limit must fail the write, not kill the program with the
    // temporary of the output left behind.
    ignoreOutputSignals();
    Options options;
    std::string error = parseArguments(argc, argv, options);
    if (error.empty() && printHelpOrVersion(programText, options.help, options.version))
        return imported;
    if (error.empty())
        error = checkOptions(options);
    if (!error.empty()) {
        reportUsageError(programText, error);
        return usageError;
    }
    if (options.output != "-" && !options.force && nameTaken(options.output)) {
        std::cerr << programName << ": " << options.output
                  << " exists; give --force to replace it\n";
        return failed;
    }
    const std::string name = options.input == "-" ? "standard input" : options.input;
    GraphFile file;
    ProgressLine progress(programName);
    if (!importGraph(options, name, file, progress))
        return failed;
    progress.begin("writing " + (options.output == "-" ? "standard output" : options.output),
                   static_cast<int64_t>(file.vertices.size()));
    const std::string text =
        formatGraph(file.vertices, file.selectedVertex, file.selectedEdgeTarget, file.linkTarget);
    progress.end();
    return writeOutput(programName, options.output, text) ? imported : failed;
}
