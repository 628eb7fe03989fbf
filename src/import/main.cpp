// ruvo-import: reads a graph from GraphML, GEXF, GML, DOT or an edge list, keeps the
// drawing it has, lays out what has none and writes it as a Ruvo graph file.
#include "companion/command_line.h"
#include "companion/progress.h"
#include "import/gzip_text.h"
#include "import/import_formats.h"
#include "import/layout.h"
#include "io/file_system.h"
#include "io/graph_file.h"

#include <filesystem>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#ifndef RUVO_VERSION
#define RUVO_VERSION "unknown"
#endif

namespace {

const char* const programName = "ruvo-import";

const char* const usageLine = "Usage: ruvo-import [-f graphml|gexf|gml|dot|edgelist] [-o OUTPUT] "
                              "[--force] [--layout ENGINE] [INPUT|-]\n";

const char* const helpText =
    "Imports a graph from GraphML, GEXF, GML, DOT or an edge list as a Ruvo graph\n"
    "file, keeping the drawing it has and laying out the vertices without a position.\n"
    "\n"
    "  INPUT            the file to read, which may be compressed with gzip;\n"
    "                   standard input if not given or -\n"
    "  -f FORMAT        graphml, gexf, gml, dot or edgelist; without -f, INPUT's\n"
    "                   content decides where it plainly says its format, or else\n"
    "                   its extension (.graphml, .gexf, .gml, .dot or .gv,\n"
    "                   .edgelist or .edges, each perhaps with .gz; .graphmlz)\n"
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
    bool formatNamed = false;                    // whether -f, the name or the content said it
    std::string engineName = "keep";             // the name given with --layout
    LayoutEngine engine = LayoutEngine::keep;    // the layout, once settled
    bool force = false;                          // --force was given
    bool help = false;                           // --help was given
    bool version = false;                        // --version was given
};

// Takes the value of --layout from "--layout=ENGINE" or from the next argument.
bool takeLayout(const std::vector<std::string>& arguments, size_t& i, std::string& value) {
    const std::string& arg = arguments[i];
    if (arg.size() > 8) {
        value = arg.substr(9);
        return !value.empty();
    }
    if (i + 1 >= arguments.size())
        return false;
    value = arguments[++i];
    return true;
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
        } else if (option && arg == "--force") {
            options.force = true;
        } else if (option && (arg == "--layout" || arg.compare(0, 9, "--layout=") == 0)) {
            if (!takeLayout(arguments, i, options.engineName))
                return "--layout needs an engine: keep, neato, fdp, sfdp, circo, twopi or dot";
        } else if (option && arg.compare(0, 2, "-f") == 0) {
            if (!takeOptionValue(arguments, i, options.formatName))
                return "-f needs a format: graphml, gexf, gml, dot or edgelist";
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

// The usage error of an input whose format neither its name nor its content says.
const char* const noFormat = "no format: give -f graphml|gexf|gml|dot|edgelist, or an INPUT "
                             "ending in .graphml, .gexf, .gml, .dot, .gv, .edgelist or .edges";

// Settles the engine and the output, and the format where -f or INPUT's name
// says it; returns the usage error, "" when there is none.
std::string checkOptions(Options& options) {
    if (!options.formatName.empty()) {
        if (!importFormatNamed(options.formatName, options.format))
            return "unknown format \"" + options.formatName +
                   "\": use graphml, gexf, gml, dot or edgelist";
        options.formatNamed = true;
    } else if (options.input == "-") {
        return "standard input needs -f graphml|gexf|gml|dot|edgelist";
    } else {
        options.formatNamed = importFormatOfFileName(options.input, options.format);
    }
    if (!layoutEngineNamed(options.engineName, options.engine))
        return "unknown layout \"" + options.engineName +
               "\": use keep, neato, fdp, sfdp, circo, twopi or dot";
    return outputIsInputError(options.input, options.output);
}

// Tells whether anything, even a dangling link, has the name path.
bool nameTaken(const std::string& path) {
    std::error_code unknown;
    // u8path, as the name is UTF-8 text (see command_line.cpp).
    return std::filesystem::symlink_status(std::filesystem::u8path(path), unknown).type() !=
           std::filesystem::file_type::not_found;
}

// Reads the input's bytes into text, decompressed if they are gzip's; returns
// the outcome.
FileStatus readInput(const Options& options, std::string& text) {
    FileStatus status = options.input == "-" ? readStandardInput(text)
                                             : readFileContents(options.input.c_str(), text);
    if (status.ok && isGzip(text))
        status = inflateGzip(text);
    return status;
}

// Reads, places and checks the graph; reports refusals and warnings on standard
// error. Returns the exit status: imported when the graph is ready to write.
ExitStatus importGraph(Options& options, const std::string& name, GraphFile& file,
                       ProgressLine& progress) {
    progress.begin("reading " + name, 0);
    std::string text;
    FileStatus status = readInput(options, text);
    if (!status.ok) {
        progress.end();
        std::cerr << programName << ": " << name << " not imported: " << status.reason << '\n';
        return failed;
    }
    // Without -f, what the content plainly says wins over the file's name.
    if (options.formatName.empty() && importFormatOfText(text, options.format))
        options.formatNamed = true;
    if (!options.formatNamed) {
        progress.end();
        reportUsageError(programText, noFormat);
        return usageError;
    }
    ImportedGraph graph;
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
        return failed;
    }
    moveIntoGraphFile(graph, file);
    const std::string repairs = repairReferences(file);
    if (!repairs.empty())
        std::cerr << programName << ": " << name << " repaired: " << repairs << '\n';
    return imported;
}

// Imports the graph and writes it; returns the exit status.
ExitStatus importAndWrite(Options& options, const std::string& name) {
    GraphFile file;
    ProgressLine progress(programName);
    const ExitStatus status = importGraph(options, name, file, progress);
    if (status != imported)
        return status;
    progress.begin("writing " + (options.output == "-" ? "standard output" : options.output),
                   static_cast<int64_t>(file.vertices.size()));
    const std::string text =
        formatGraph(file.vertices, file.selectedVertex, file.selectedEdgeTarget, file.linkTarget);
    progress.end();
    return writeOutput(programName, options.output, text, false) ? imported : failed;
}

} // namespace

int main(int argc, char** argv) {
    // A file-size limit must fail the write, not kill the program with the
    // temporary of the output left behind.
    ignoreOutputSignals();
    showUtf8OnConsoles();
    Options options;
    std::string error = parseArguments(programArguments(argc, argv), options);
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
    // Running out of memory anywhere is a refusal of this input, as any other.
    try {
        return importAndWrite(options, name);
    } catch (const std::bad_alloc&) {
        std::cerr << programName << ": " << name << " not imported: " << outOfMemory << '\n';
        return failed;
    }
}
