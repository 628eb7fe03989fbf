// Runs the fuzz target once on every file named on the command line, or found
// in a folder named there, so the corpus is a regression test of ordinary builds.
// The target aborts on a broken promise; this exits non-zero when a file cannot
// be read or nothing was found.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

// Appends path, or every regular file below it when it is a folder, in name order.
static void collectInputs(const fs::path& path, std::vector<fs::path>& inputs) {
    if (!fs::is_directory(path)) {
        inputs.push_back(path);
        return;
    }
    std::vector<fs::path> found;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(path)) {
        if (entry.is_regular_file())
            found.push_back(entry.path());
    }
    std::sort(found.begin(), found.end());
    inputs.insert(inputs.end(), found.begin(), found.end());
}

static bool replay(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "replay_corpus: cannot read %s\n", path.string().c_str());
        return false;
    }
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::printf("%s\n", path.string().c_str());
    std::fflush(stdout);
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return true;
}

int main(int argc, char** argv) {
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i)
        collectInputs(argv[i], inputs);
    bool ok = !inputs.empty();
    for (const fs::path& input : inputs)
        ok = replay(input) && ok;
    std::printf("%zu input(s) replayed\n", inputs.size());
    return ok ? 0 : 1;
}
