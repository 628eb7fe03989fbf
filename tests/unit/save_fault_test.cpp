// Each step of a save made to fail in turn, through a temporary and in place:
// whatever the step, the old file, the folder and the graph in memory stay as
// they were, and standard error says why.
#include "../file_names.h"
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
    const char* outcome = ""; // what the message adds after the system's words
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

// A refused temporary or rename is not a failure but a reason to write in
// place, so these errors are of other kinds.
const StepFault stepFaults[] = {
    {SaveStep::createTemporary, EMFILE, "createTemporary"},
    {SaveStep::write, ENOSPC, "write"},
    {SaveStep::sync, EIO, "sync"},
    {SaveStep::close, quotaExceeded, "close"},
    {SaveStep::rename, EXDEV, "rename"},
};

const char* const restored = "; the old content was restored";

const StepFault inPlaceFaults[] = {
    {SaveStep::openInPlace, EIO, "openInPlace"},
    {SaveStep::readOld, EIO, "readOld"},
    {SaveStep::writeInPlace, ENOSPC, "writeInPlace", restored},
    {SaveStep::syncInPlace, EIO, "syncInPlace", restored},
    {SaveStep::truncate, EFBIG, "truncate", restored},
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
                          std::strerror(GetParam().error) + GetParam().outcome + "\n");
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

std::string nameOf(const ::testing::TestParamInfo<StepFault>& step) {
    return step.param.name;
}

INSTANTIATE_TEST_SUITE_P(EachStep, SaveFault, ::testing::ValuesIn(stepFaults), nameOf);

// A second name for the file makes every save write it in place.
using InPlaceSaveFault = SaveFault;

TEST_P(InPlaceSaveFault, KeepsTheOldContentUnderBothNames) {
    writeFile(graphFileName, twoVertexFile);
    fs::create_hard_link(graphFileName, "other.ruv");
    addVertices({{0.5, 0.5}, {0.25, 0.125}});
    expectFailedSave();
    EXPECT_EQ(readFile(graphFileName), twoVertexFile);
    EXPECT_EQ(readFile("other.ruv"), twoVertexFile);
    EXPECT_EQ(directoryListing(), (std::vector<std::string>{"graph.ruv", "other.ruv"}));

    ASSERT_TRUE(saveGraph());
    EXPECT_EQ(readFile("other.ruv"), asWritten(modelText()));
    EXPECT_TRUE(fs::equivalent(graphFileName, "other.ruv"));
}

INSTANTIATE_TEST_SUITE_P(EachStep, InPlaceSaveFault, ::testing::ValuesIn(inPlaceFaults), nameOf);

using SaveWayAround = GraphFileTest;

TEST_F(SaveWayAround, RestoreThatFailsTooIsReported) {
    writeFile(graphFileName, twoVertexFile);
    fs::create_hard_link(graphFileName, "other.ruv");
    addVertex(0.5, 0.5);
    FailingStep writing(SaveStep::writeInPlace, ENOSPC);
    FailingStep restoring(SaveStep::restore, EIO);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(saveGraph());
    // strerror may reuse one buffer, so each text is copied before the next.
    const std::string noSpace = std::strerror(ENOSPC);
    const std::string ioError = std::strerror(EIO);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "ruvo: graph not saved to graph.ruv: " + noSpace +
                  "; the old content could not be restored (" + ioError + ")\n");
}

// A directory that refuses the temporary or the rename leaves the existing file
// to be written in place, and a file that is not there yet cannot be saved.
TEST_F(SaveWayAround, RefusedTemporaryOrRenameWritesInPlace) {
    buildTwoVertexGraph();
    {
        FailingStep creating(SaveStep::createTemporary, EACCES);
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(saveGraph());
        EXPECT_EQ(::testing::internal::GetCapturedStderr(),
                  "ruvo: graph not saved to graph.ruv: the directory does not let a new file be "
                  "made, and there is no file to write in place (" +
                      std::string(std::strerror(EACCES)) + ")\n");
        EXPECT_TRUE(directoryListing().empty());
        writeFile(graphFileName, "old");
        EXPECT_TRUE(saveGraph());
        EXPECT_EQ(readFile(graphFileName), asWritten(twoVertexFile));
    }
    addVertex(0, 0);
    FailingStep renaming(SaveStep::rename, EBUSY);
    EXPECT_TRUE(saveGraph());
    EXPECT_EQ(readFile(graphFileName), asWritten(modelText()));
    EXPECT_EQ(directoryListing(), std::vector<std::string>{"graph.ruv"});
}

// A file of every name, in a folder of the same name, is replaced through a
// temporary, then written in place, and read back.
TEST_F(SaveWayAround, WritesAndReadsFilesOfEveryName) {
    for (const std::string name : fileNames) {
        SCOPED_TRACE(name);
        fs::create_directory(fs::u8path(name));
        const std::string path = name + "/" + name + ".ruv";
        ASSERT_TRUE(replaceFileContents(path.c_str(), "old\n").ok);
        {
            FailingStep creating(SaveStep::createTemporary, EACCES);
            ASSERT_TRUE(replaceFileContents(path.c_str(), twoVertexFile).ok);
        }
        std::string text;
        ASSERT_TRUE(readFileContents(path.c_str(), text).ok);
        EXPECT_EQ(text, asWritten(twoVertexFile));
        EXPECT_EQ(readFile(fs::u8path(path)), text);
        EXPECT_EQ(std::distance(fs::directory_iterator(fs::u8path(name)), {}), 1);
    }
}
