// Each step of a save made to fail in turn: whatever the step, the old file, the
// folder and the graph in memory stay as they were, and standard error says why.
#include "editor_fixture.h"

#include <cerrno>
#include <cstring>

namespace {

// Makes one step of every save fail for as long as it lives.
class FailingStep {
  public:
    FailingStep(SaveStep step, int error) { failSaveStep(step, error); }
    ~FailingStep() { failSaveStep(SaveStep::none, 0); }
    FailingStep(const FailingStep&) = delete;
    FailingStep& operator=(const FailingStep&) = delete;
};

struct StepFault {
    SaveStep step;
    int error;
    const char* name;
};

// Names the case in test output, in place of its bytes.
void PrintTo(const StepFault& fault, std::ostream* out) {
    *out << fault.name;
}

#ifdef EDQUOT
constexpr int quotaExceeded = EDQUOT;
#else
constexpr int quotaExceeded = ENOSPC; // Windows has no disk quota error
#endif

const StepFault stepFaults[] = {
    {SaveStep::createTemporary, EACCES, "createTemporary"},
    {SaveStep::write, ENOSPC, "write"},
    {SaveStep::sync, EIO, "sync"},
    {SaveStep::close, quotaExceeded, "close"},
    {SaveStep::rename, EXDEV, "rename"},
};

class SaveFault : public GraphFileTest, public ::testing::WithParamInterface<StepFault> {
  protected:
    // Saves with the step failing; checks the message and that nothing in memory
    // changed and nothing was traced.
    void expectFailedSave() {
        const std::string before = modelText();
        {
            FailingStep failing(GetParam().step, GetParam().error);
            ::testing::internal::CaptureStderr();
            EXPECT_FALSE(saveGraph());
            EXPECT_EQ(::testing::internal::GetCapturedStderr(),
                      std::string("ruvo: graph not saved to graph.ruv: ") +
                          std::strerror(GetParam().error) + "\n");
        }
        EXPECT_EQ(modelText(), before);
        EXPECT_EQ(takeTrace(), "");
    }
};

} // namespace

TEST_P(SaveFault, KeepsTheOldFileAndLeavesNoTemporary) {
    writeFile(graphFileName, twoVertexFile);
    buildTwoVertexGraph();
    addVertex(0.75, -0.125);
    adjacencyOf(2) = {0, 2};
    selectedEdgeTarget = 1;
    expectFailedSave();
    EXPECT_EQ(readFile(graphFileName), twoVertexFile);
    EXPECT_EQ(directoryListing(), std::vector<std::string>{"graph.ruv"});

    // Once the seam is reset the same save goes through.
    ASSERT_TRUE(saveGraph());
    EXPECT_EQ(readFile(graphFileName), asWritten(modelText()));
    EXPECT_EQ(directoryListing(), std::vector<std::string>{"graph.ruv"});
}

TEST_P(SaveFault, CreatesNoFileWhereThereWasNone) {
    buildTwoVertexGraph();
    expectFailedSave();
    EXPECT_TRUE(directoryListing().empty());
}

#ifndef _WIN32
// Through a link the temporary lives beside the linked file, so that is where
// none may be left.
TEST_P(SaveFault, KeepsTheLinkedFileAndTheLink) {
    fs::create_directory("store");
    writeFile("store/kept.ruv", twoVertexFile);
    fs::create_symlink("store/kept.ruv", graphFileName);
    addVertices({{0.5, 0.5}});
    expectFailedSave();
    EXPECT_TRUE(fs::is_symlink(graphFileName));
    EXPECT_EQ(readFile("store/kept.ruv"), twoVertexFile);
    EXPECT_EQ(std::distance(fs::directory_iterator("store"), fs::directory_iterator()), 1);
}
#endif

INSTANTIATE_TEST_SUITE_P(EachStep, SaveFault, ::testing::ValuesIn(stepFaults),
                         [](const ::testing::TestParamInfo<StepFault>& step) {
                             return std::string(step.param.name);
                         });
