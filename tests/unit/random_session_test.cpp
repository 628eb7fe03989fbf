// Long seeded editing sessions: random sequences of the operations the handlers
// call, with saves, loads and now and then a damaged graph file. After every
// step the test checks that every reference is sound, that each edit changed the
// edges (followed by vertex identity, through renumbering) as it should, and
// that a load gives back what was saved or, refused, changes nothing.
//
// RUVO_SESSION_SEED runs one seed instead of the fixed ones, RUVO_SESSION_STEPS
// sets the number of steps; a failure prints both for replaying it.
#include "editor_fixture.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <random>
#include <sstream>

namespace {

// The model's whole state, to compare exactly.
struct State {
    std::vector<Vertex> vertices;
    int32_t selectedVertex;
    int32_t selectedEdgeTarget;
    int32_t linkTarget;
};

State currentState() {
    return {vertices, selectedVertex, selectedEdgeTarget, linkTarget};
}

bool sameState(const State& a, const State& b) {
    const auto sameVertex = [](const Vertex& v, const Vertex& w) {
        return v.x == w.x && v.y == w.y && v.adjacency == w.adjacency;
    };
    return a.selectedVertex == b.selectedVertex && a.selectedEdgeTarget == b.selectedEdgeTarget &&
           a.linkTarget == b.linkTarget &&
           std::equal(a.vertices.begin(), a.vertices.end(), b.vertices.begin(), b.vertices.end(),
                      sameVertex);
}

// The value a coordinate has once written and read as text; printf and strtod
// rather than the graph file's own conversions.
double roundedToSixDecimals(double value) {
    char text[400];
    std::snprintf(text, sizeof text, "%.6f", value);
    return std::strtod(text, nullptr);
}

std::string describe(const State& state) {
    return formatGraph(state.vertices, state.selectedVertex, state.selectedEdgeTarget,
                       state.linkTarget);
}

// Every edge, as the targets' identities listed under the source's identity.
using Edges = std::map<int, std::vector<int>>;

uint64_t environmentNumber(const char* name, uint64_t fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::strtoull(text, nullptr, 10) : fallback;
}

class RandomSession : public GraphFileTest {
  protected:
    // Runs steps random steps from seed; returns the first broken promise, "" if none.
    std::string runSession(uint64_t seed, uint64_t steps) {
        random.seed(seed);
        clearVertices();
        selectedVertex = selectedEdgeTarget = linkTarget = -1;
        fs::remove(graphFileName);
        identities.clear();
        fileHolds.reset();
        for (uint64_t step = 0; step < steps; ++step) {
            problem.clear();
            runStep();
            takeTrace();
            if (!problem.empty())
                return "step " + std::to_string(step) + ", " + problem;
        }
        return "";
    }

  private:
    // Records what went wrong at this step, unless something already did.
    void check(bool holds, const std::string& what) {
        if (!holds && problem.empty())
            problem = what;
    }

    int32_t pick(int32_t low, int32_t high) {
        return std::uniform_int_distribution<int32_t>(low, high)(random);
    }

    // A pointer position as the handlers map it from window pixels, now and then
    // outside the window, as a drag can be. Pixel positions survive a save exactly.
    std::pair<double, double> pointer() {
        const int32_t px = pick(-40, 440);
        const int32_t py = pick(-40, 440);
        return {(px - 200) / 200.0, (200 - py) / 200.0};
    }

    void runStep() {
        // Fewer additions once the graph is large keeps it at a few dozen vertices.
        const int32_t adding = vertices.size() < 40 ? 20 : 5;
        int32_t roll = pick(0, adding + 89);
        const auto chosen = [&roll](int32_t weight) { return (roll -= weight) < 0; };
        const Edges before = edgesById();
        if (chosen(adding)) {
            const auto [x, y] = pointer();
            addVertex(x, y);
            identities.push_back(nextIdentity++);
            Edges expected = before;
            expected[identities.back()];
            expectEdges(expected, "addVertex");
        } else if (chosen(20)) {
            const auto [x, y] = pointer();
            selectNearestVertex(x, y);
            expectEdges(before, "selectNearestVertex");
        } else if (chosen(20)) {
            // A drag: each motion moves the selected vertex, if there is one.
            for (int32_t moves = pick(1, 4); moves > 0 && isVertex(selectedVertex); --moves) {
                const auto [x, y] = pointer();
                moveSelectedVertex(x, y);
            }
            expectEdges(before, "moveSelectedVertex");
        } else if (chosen(25)) {
            link(before);
        } else if (chosen(12)) {
            remove(before);
        } else if (chosen(5)) {
            save();
        } else if (chosen(4)) {
            load(false);
        } else {
            damageFile();
            load(true);
        }
        checkReferences();
    }

    void link(const Edges& before) {
        const bool selected = isVertex(selectedVertex);
        const int source = selected ? identityOf(selectedVertex) : -1;
        const auto [x, y] = pointer();
        linkOrSelectEdge(x, y);
        // With every vertex out of reach (loaded from a file) it finds none and adds nothing.
        Edges expected = before;
        if (selected && isVertex(linkTarget)) {
            std::vector<int>& targets = expected[source];
            const int target = identityOf(linkTarget);
            const bool listed = std::count(targets.begin(), targets.end(), target) > 0;
            if (!listed)
                targets.push_back(target);
            check(selectedEdgeTarget == (listed ? linkTarget : -1),
                  "linkOrSelectEdge left the wrong edge selected");
        }
        expectEdges(expected, "linkOrSelectEdge");
    }

    void remove(const Edges& before) {
        Edges expected = before;
        const bool selected = isVertex(selectedVertex);
        if (selected) {
            const int source = identityOf(selectedVertex);
            if (selectedEdgeTarget != -1) {
                std::vector<int>& targets = expected[source];
                const int target = identityOf(selectedEdgeTarget);
                targets.erase(std::remove(targets.begin(), targets.end(), target), targets.end());
            } else {
                expected.erase(source);
                for (auto& [identity, targets] : expected)
                    targets.erase(std::remove(targets.begin(), targets.end(), source),
                                  targets.end());
                identities.erase(identities.begin() + selectedVertex);
            }
        }
        deleteSelection();
        expectEdges(expected, "deleteSelection");
        check(!selected || (selectedVertex == -1 && selectedEdgeTarget == -1),
              "deleteSelection left a selection");
    }

    void save() {
        ::testing::internal::CaptureStderr();
        const bool saved = saveGraph();
        const std::string message = ::testing::internal::GetCapturedStderr();
        check(saved && message.empty(), "saveGraph failed: " + message);
        check(directoryListing() == std::vector<std::string>{graphFileName},
              "saveGraph left more than graph.ruv behind");
        // What a load gives back has every coordinate rounded to six decimals.
        fileHolds = currentState();
        for (Vertex& v : fileHolds->vertices) {
            v.x = roundedToSixDecimals(v.x);
            v.y = roundedToSixDecimals(v.y);
        }
    }

    // Loads the file; a damaged one may be refused or repaired, an intact one
    // must give back exactly what fileHolds says.
    void load(bool damaged) {
        const State before = currentState();
        ::testing::internal::CaptureStderr();
        const bool loaded = loadGraph();
        const std::string message = ::testing::internal::GetCapturedStderr();
        const auto lines = std::count(message.begin(), message.end(), '\n');
        if (loaded) {
            check(damaged || (fileHolds && sameState(currentState(), *fileHolds)),
                  "a load did not give back what was saved; it gave\n" + modelText() +
                      "instead of\n" + (fileHolds ? describe(*fileHolds) : "a refusal\n"));
            check(lines <= 1, "a load wrote more than one message: " + message);
            identities.clear();
            for (size_t i = 0; i < vertices.size(); ++i)
                identities.push_back(nextIdentity++);
            fileHolds = currentState();
        } else {
            check(damaged || !fileHolds, "a load of a sound file was refused: " + message);
            check(sameState(currentState(), before), "a refused load changed the graph");
            check(lines == 1 && message.find("graph.ruv not loaded: ") != std::string::npos,
                  "a refused load did not say why in one line: " + message);
            fileHolds.reset();
        }
    }

    // Truncates the file, changes a byte, or replaces a number by one that is
    // out of range, names no vertex or is no number at all.
    void damageFile() {
        std::string text = readFile(graphFileName);
        if (text.empty())
            text = "-1 -1 -1 0\n";
        const auto at = static_cast<size_t>(pick(0, static_cast<int32_t>(text.size()) - 1));
        const int32_t kind = pick(0, 2);
        if (kind == 0) {
            text.resize(at);
        } else if (kind == 1) {
            // The array's terminating NUL is one of the choices.
            static const char bytes[] = "0123456789-+.eEx \n\t\r#";
            text[at] = bytes[pick(0, sizeof bytes - 1)];
        } else {
            // The whole number under at, or an insertion when at is whitespace.
            const auto inNumber = [&text](size_t i) {
                return std::isspace(static_cast<unsigned char>(text[i])) == 0;
            };
            size_t start = at;
            size_t end = at;
            while (inNumber(at) && start > 0 && inNumber(start - 1))
                --start;
            while (inNumber(at) && end < text.size() && inNumber(end))
                ++end;
            const std::string replacements[] = {
                std::to_string(pick(-3, 50)), "2147483648", "-2147483648", "1e999", "nan", "x", ""};
            text.replace(start, end - start, replacements[pick(0, 6)]);
        }
        writeFile(graphFileName, text);
    }

    void checkReferences() {
        for (const Vertex& v : vertices) {
            for (int32_t target : v.adjacency)
                check(isVertex(target), "an entry names no vertex: " + std::to_string(target));
        }
        check(selectedVertex == -1 || isVertex(selectedVertex), "selectedVertex names no vertex");
        check(selectedEdgeTarget == -1 || isVertex(selectedEdgeTarget),
              "selectedEdgeTarget names no vertex");
    }

    int identityOf(int32_t index) const { return identities.at(static_cast<size_t>(index)); }

    Edges edgesById() const {
        Edges edges;
        for (size_t i = 0; i < vertices.size() && i < identities.size(); ++i) {
            std::vector<int>& targets = edges[identities[i]];
            for (int32_t target : vertices[i].adjacency)
                targets.push_back(isVertex(target) ? identityOf(target) : -1);
        }
        return edges;
    }

    void expectEdges(const Edges& expected, const char* operation) {
        check(edgesById() == expected, std::string(operation) + " changed the edges wrongly");
    }

    std::mt19937_64 random;         // the session's only source of choices
    std::vector<int> identities;    // for each vertex, by index, its lasting identity
    int nextIdentity = 0;           // the identity the next new vertex gets
    std::optional<State> fileHolds; // what loading graph.ruv must give; empty: a refusal
    std::string problem;            // the first broken promise of this step, "" for none
};

} // namespace

TEST_F(RandomSession, EveryStepKeepsTheGraphSound) {
    const uint64_t steps = environmentNumber("RUVO_SESSION_STEPS", 2500);
    std::vector<uint64_t> seeds = {1, 2, 3};
    if (std::getenv("RUVO_SESSION_SEED"))
        seeds = {environmentNumber("RUVO_SESSION_SEED", 1)};
    for (const uint64_t seed : seeds) {
        std::ostringstream replay;
        replay << "replay: RUVO_SESSION_SEED=" << seed << " RUVO_SESSION_STEPS=" << steps;
        ASSERT_EQ(runSession(seed, steps), "") << replay.str();
    }
}
