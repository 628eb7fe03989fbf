// Seeded editing sessions for the suites that drive a real editor: the desktop
// window (ruvo_e2e, through xdotool) and the web page (tests/web, through
// WebDriver) play the same sessions, and this program is their one definition.
//
//   ruvo_session seeds          the seeds to play: RUVO_SESSION_SEED, else a fixed few
//   ruvo_session steps SEED     the session, one step a line:
//                                 press B X Y       button B (GLUT's 0 left, 1 middle,
//                                                   2 right) pressed and released at
//                                                   window pixel (X, Y)
//                                 drag X Y X Y ...  left press at the first point, moves
//                                                   to the others, release at the last
//                                 key C             the key C
//   ruvo_session replay SEED    what the editor makes of it, from the model: the
//                               session applied in the current directory as the
//                               handlers apply it, the trace on standard output,
//                               messages on standard error, graph.ruv as S saves it
#include "io/graph_file.h"
#include "model/graph.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <random>
#include <string>
#include <vector>

namespace {

using Step = std::vector<std::string>; // the words of one step

constexpr int stepsPerSession = 60;

std::vector<Step> session(uint64_t seed) {
    std::mt19937_64 random(seed);
    const auto pick = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    // Presses stay inside the window, off its outermost pixels, which a window
    // at (-1, -1) on the screen leaves out of reach; drags go on past its right
    // and bottom edges, where vertices are stored beyond +-1.
    const auto point = [&pick](int far) {
        return std::vector<std::string>{std::to_string(pick(2, far)), std::to_string(pick(2, far))};
    };
    std::vector<Step> steps;
    Step lastMiddle = {"press", "1", "200", "200"};
    for (int i = 0; i < stepsPerSession - 1; ++i) {
        const int roll = pick(0, 99);
        if (roll < 38) {
            // Right presses add, left presses select.
            const auto at = point(397);
            steps.push_back({"press", roll < 25 ? "2" : "0", at[0], at[1]});
        } else if (roll < 65) {
            // Some middle presses repeat the last, which selects the edge it made.
            if (roll < 55) {
                const auto at = point(397);
                lastMiddle = {"press", "1", at[0], at[1]};
            }
            steps.push_back(lastMiddle);
        } else if (roll < 85) {
            Step drag = {"drag"};
            for (int points = pick(2, 4), far = 397; points > 0; --points, far = 415) {
                const auto at = point(far);
                drag.insert(drag.end(), at.begin(), at.end());
            }
            steps.push_back(drag);
        } else {
            const char* const keys[] = {"d", "D", "s", "S", "l", "L", "x"};
            steps.push_back({"key", keys[pick(0, 6)]});
        }
    }
    steps.push_back({"key", "S"});
    return steps;
}

// The editor's mapping from window pixels to normalized device coordinates.
std::pair<double, double> normalized(const std::string& px, const std::string& py) {
    return {(std::stoi(px) - 200) / 200.0, (200 - std::stoi(py)) / 200.0};
}

// Applies step to the model as the editor's mouse and key handlers do.
void replay(const Step& step) {
    if (step[0] == "press") {
        const auto [x, y] = normalized(step[2], step[3]);
        if (step[1] == "2")
            addVertex(x, y);
        else if (step[1] == "0")
            selectNearestVertex(x, y);
        else
            linkOrSelectEdge(x, y);
    } else if (step[0] == "drag") {
        const auto [x, y] = normalized(step[1], step[2]);
        selectNearestVertex(x, y);
        for (size_t i = 3; i + 1 < step.size() && isVertex(selectedVertex); i += 2) {
            const auto [mx, my] = normalized(step[i], step[i + 1]);
            moveSelectedVertex(mx, my);
        }
    } else {
        const char key = static_cast<char>(std::tolower(static_cast<unsigned char>(step[1][0])));
        if (key == 'd')
            deleteSelection();
        else if (key == 's')
            saveGraph();
        else if (key == 'l')
            loadGraph();
    }
}

} // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "seeds") {
        const char* seed = std::getenv("RUVO_SESSION_SEED");
        std::cout << (seed != nullptr && *seed != '\0' ? seed : "1 2 3") << '\n';
        return 0;
    }
    if (argc != 3 || (command != "steps" && command != "replay")) {
        std::cerr << "usage: ruvo_session seeds | steps SEED | replay SEED\n";
        return 2;
    }
    for (const Step& step : session(std::strtoull(argv[2], nullptr, 10))) {
        if (command == "replay") {
            replay(step);
            continue;
        }
        for (size_t i = 0; i < step.size(); ++i)
            std::cout << (i > 0 ? " " : "") << step[i];
        std::cout << '\n';
    }
    return 0;
}
