#include "editor_fixture.h"
#include "io/graph_file.h"

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using GraphFileWriter = GraphFileTest;
using GraphFileReader = GraphFileTest;
using RefusedLoad = GraphFileTest;
using FailedSave = GraphFileTest;

TEST_F(GraphFileWriter, WritesTheEmptyGraphAndTheExampleExactly) {
    ASSERT_TRUE(saveGraph());
    EXPECT_EQ(readFile(graphFileName), asWritten("-1\n-1\n-1\n0\n"));
    buildTwoVertexGraph();
    ASSERT_TRUE(saveGraph());
    EXPECT_EQ(readFile(graphFileName), asWritten(twoVertexFile));
    EXPECT_EQ(takeTrace(), "");
}

TEST_F(GraphFileWriter, SaveAndLoadRestoreOrderSelectionAndRoundedCoordinates) {
    addVertices({{0.1234567, -0.9999996}, {-1.5, 2.0}, {0, 0}});
    adjacencyOf(0) = {2, 1, 2};
    adjacencyOf(2) = {2, 0};
    selectedVertex = 2;
    selectedEdgeTarget = 0;
    linkTarget = 1;
    ASSERT_TRUE(saveGraph());
    clearVertices();
    selectedVertex = selectedEdgeTarget = linkTarget = -1;
    ASSERT_TRUE(loadGraph());

    ASSERT_EQ(vertices.size(), 3u);
    EXPECT_EQ(vertices[0].x, 0.123457);
    EXPECT_EQ(vertices[0].y, -1.0);
    EXPECT_EQ(vertices[1].x, -1.5);
    EXPECT_EQ(adjacencyOf(0), (std::vector<int32_t>{2, 1, 2}));
    EXPECT_TRUE(adjacencyOf(1).empty());
    EXPECT_EQ(adjacencyOf(2), (std::vector<int32_t>{2, 0}));
    EXPECT_EQ(selectedVertex, 2);
    EXPECT_EQ(selectedEdgeTarget, 0);
    EXPECT_EQ(linkTarget, 1);
    EXPECT_EQ(takeTrace(), "0.123457 -1 3\n2\n1\n2\n-1.5 2 0\n0 0 2\n2\n0\n");
}

TEST_F(GraphFileReader, EchoesTheExampleAndReplacesTheGraph) {
    addVertices({{0.9, 0.9}, {0.8, 0.8}, {0.7, 0.7}});
    writeFile(graphFileName, twoVertexFile);
    ASSERT_TRUE(loadGraph());
    EXPECT_EQ(takeTrace(), "-0.5 0.25 1\n1\n0.5 -0.25 0\n");
    EXPECT_EQ(modelText(), twoVertexFile);
}

TEST_F(GraphFileReader, AcceptsAnyWhitespaceLayout) {
    const std::string layouts[] = {
        "0 -1 1 2 -0.5 0.25 1 1 0.5 -0.25 0",
        "0\r\n-1\r\n1\r\n2\r\n-0.500000 0.250000 1\r\n1\r\n0.500000 -0.250000 0\r\n",
        "\n\n 0\t-1\n\n1 2\n-0.5\n0.25\n1\n\n1 0.5 -0.25 0\n\n\n",
        "+0 -1 +1 2 -5e-1 0.25 1 1 0.5 -0.25 0",
    };
    for (const std::string& layout : layouts) {
        writeFile(graphFileName, layout);
        ASSERT_TRUE(loadGraph()) << layout;
        EXPECT_EQ(modelText(), twoVertexFile) << layout;
        EXPECT_EQ(takeTrace(), "-0.5 0.25 1\n1\n0.5 -0.25 0\n");
    }
}

TEST_F(GraphFileReader, CountsOfZeroOrLessReadNothing) {
    buildTwoVertexGraph();
    writeFile(graphFileName, "-1\n-1\n-1\n0\n");
    ASSERT_TRUE(loadGraph());
    EXPECT_TRUE(vertices.empty());
    EXPECT_EQ(selectedVertex, -1);

    writeFile(graphFileName, "0 -1 -1 -3\n");
    ASSERT_TRUE(loadGraph());
    EXPECT_TRUE(vertices.empty());

    writeFile(graphFileName, "-1 -1 -1 1\n0.25 0.5 -2\n");
    ASSERT_TRUE(loadGraph());
    ASSERT_EQ(vertices.size(), 1u);
    EXPECT_TRUE(adjacencyOf(0).empty());
    EXPECT_EQ(takeTrace(), "0.25 0.5 -2\n");
}

TEST_F(GraphFileReader, RepairsReferencesToMissingVertices) {
    writeFile(graphFileName, "7\n9\n42\n2\n0 0 3\n1\n5\n-4\n0.5 0.5 2\n0\n0\n");
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(loadGraph());
    const std::string warning = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(takeTrace(), "0 0 3\n1\n5\n-4\n0.5 0.5 2\n0\n0\n"); // echoed as read
    EXPECT_EQ(adjacencyOf(0), std::vector<int32_t>{1});
    EXPECT_EQ(adjacencyOf(1), (std::vector<int32_t>{0, 0}));
    EXPECT_EQ(selectedVertex, -1);
    EXPECT_EQ(selectedEdgeTarget, -1);
    EXPECT_EQ(linkTarget, 42);
    EXPECT_NE(warning.find("dropped 2 edge"), std::string::npos) << warning;
    EXPECT_NE(warning.find("selected vertex 7"), std::string::npos) << warning;
    EXPECT_NE(warning.find("selected edge target 9"), std::string::npos) << warning;
    EXPECT_EQ(std::count(warning.begin(), warning.end(), '\n'), 1);
}

TEST_F(RefusedLoad, LeavesTheGraphAsItWasAndSaysWhere) {
    const std::pair<std::string, std::string> cases[] = {
        {"0\n-1\n1\n", "line 3: the file ends where the vertex count"},
        {"0 -1 1 2\n-0.5 0.25 1\n1\n\n", "line 3: the file ends where an x coordinate"},
        {"0 -1 1 2\n-0.5 0.25 3\n1", "line 3: the file ends where an edge target"},
        {"0 -1 1 2000000000\n0 0 0\n", "line 2: the file ends where an x coordinate"},
        {"0 -1 1 1\n0 zero 0\n", "line 2: expected a y coordinate, found \"zero\""},
        {"0 -1 x 1\n", "line 1: expected the link target, found \"x\""},
        {"0 -1 1 1\n0 0 1\n2147483648\n", "line 3: an edge target \"2147483648\" is outside"},
        {"-2147483649 -1 1 0\n", "line 1: the selected vertex \"-2147483649\" is outside"},
        {"0 -1 1 1\ninf 0 0\n", "line 2: an x coordinate \"inf\" is not a finite number"},
        {"0 -1 1 1\n0 nan 0\n", "line 2: a y coordinate \"nan\" is not a finite"},
        {"0 -1 1 1\n1e309 0 0\n", "line 2: an x coordinate \"1e309\" is out of range"},
        {"0 -1 1 1\n0 -0x1p9999 0\n", "line 2: a y coordinate \"-0x1p9999\" is out of range"},
        {"0\r-1\r1\r1\r0 zero 0\r", "line 5: expected a y coordinate"},
        {"0\r\n-1\r\n\r\n1 1\r\n0 zero 0\r\n", "line 5: expected a y coordinate"},
        {"0 -1 1 1\n0 0 0\n\n7\n", "line 4: unexpected \"7\" after the last vertex"},
        {"-1 -1 -1 0 junk", "line 1: unexpected \"junk\""},
        {std::string("-1 -1 -1 0\n\0", 12), "line 2: unexpected"},
    };
    buildTwoVertexGraph();
    selectedEdgeTarget = 1;
    const std::string before = modelText();
    for (const auto& [text, reason] : cases) {
        writeFile(graphFileName, text);
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(loadGraph());
        const std::string message = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(message.find("graph.ruv not loaded: " + reason), std::string::npos)
            << "file: " << text << "\nmessage: " << message;
        EXPECT_EQ(modelText(), before);
        EXPECT_EQ(takeTrace(), "");
    }
}

TEST_F(RefusedLoad, MissingOrUnreadableFile) {
    buildTwoVertexGraph();
    const std::string before = modelText();
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(loadGraph());
    fs::create_directory(graphFileName);
    EXPECT_FALSE(loadGraph());
    const std::string message = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("graph.ruv not loaded: No such file or directory\n"), std::string::npos)
        << message;
    EXPECT_NE(message.find("graph.ruv not loaded: Is a directory\n"), std::string::npos) << message;
    EXPECT_EQ(modelText(), before);
}

#ifndef _WIN32
// A named pipe would block the editor on open, waiting for a writer that never
// comes; neither a load nor a save may touch it.
TEST_F(RefusedLoad, NamedPipeIsNeitherReadNorReplaced) {
    buildTwoVertexGraph();
    const std::string before = modelText();
    ASSERT_EQ(mkfifo(graphFileName, 0644), 0);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(loadGraph());
    EXPECT_FALSE(saveGraph());
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "ruvo: graph.ruv not loaded: not a regular file\n"
              "ruvo: graph not saved to graph.ruv: not a regular file\n");
    EXPECT_TRUE(fs::is_fifo(graphFileName));
    EXPECT_EQ(directoryListing(), std::vector<std::string>{graphFileName});
    EXPECT_EQ(modelText(), before);
}
#endif

// Nor may a device be: on Windows a device's name means the device in every
// folder, whatever extension follows, as /dev/null does on Linux.
TEST_F(RefusedLoad, DeviceIsNeitherReadNorReplaced) {
#ifdef _WIN32
    const char* const devices[] = {"NUL", "con", "Com1", "nul.svg", "LPT9.tex", "none\\aux.ruv"};
#else
    const char* const devices[] = {"/dev/null", "/dev/zero"};
#endif
    for (const char* device : devices) {
        std::string bytes;
        EXPECT_EQ(readFileContents(device, bytes).reason, "not a regular file") << device;
        EXPECT_EQ(replaceFileContents(device, "-1\n").reason, "not a regular file") << device;
    }
    EXPECT_EQ(directoryListing(), std::vector<std::string>{});
}

TEST_F(FailedSave, DirectoryInPlaceOfTheFile) {
    buildTwoVertexGraph();
    fs::create_directory(graphFileName);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(saveGraph());
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "ruvo: graph not saved to graph.ruv: Is a directory\n");
    EXPECT_TRUE(fs::is_directory(graphFileName));
    EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 1);
    EXPECT_EQ(takeTrace(), "");
}

// The message is the system's own, in words; its text differs between systems.
TEST_F(FailedSave, ReadOnlyFileIsKeptAndSaysWhy) {
#ifndef _WIN32
    if (geteuid() == 0)
        GTEST_SKIP() << "root may write a read-only file";
#endif
    writeFile(graphFileName, twoVertexFile);
    fs::permissions(graphFileName,
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    buildTwoVertexGraph();
    addVertex(0, 0);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(saveGraph());
    const std::string message = ::testing::internal::GetCapturedStderr();
    const std::string prefix = "ruvo: graph not saved to graph.ruv: ";
    EXPECT_EQ(message.compare(0, prefix.size(), prefix), 0) << message;
    EXPECT_GT(message.size(), prefix.size() + 1) << message;
    EXPECT_EQ(message.find_first_of("0123456789"), std::string::npos) << message;
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
    EXPECT_EQ(readFile(graphFileName), twoVertexFile);
    EXPECT_EQ(directoryListing(), std::vector<std::string>{graphFileName});
    fs::permissions(graphFileName, fs::perms::owner_write, fs::perm_options::add);
}

// Only POSIX systems have these: Windows has no file-size limit, refuses to
// remove a working directory, and MinGW's std::filesystem makes no links.
#ifndef _WIN32
// Past the limit a write fails instead of ending the process, once the editor
// has ignored the signal; through a temporary or in place, the old file stays.
TEST_F(FailedSave, FileSizeLimitKeepsTheOldFile) {
    for (int i = 0; i < 1000; ++i)
        addVertex(i / 1000.0, 0);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 4096;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_DFL);
    ignoreOutputSignals();
    const std::pair<bool, const char*> ways[] = {{false, ""},
                                                 {true, "; the old content was restored"}};
    for (const auto& [linked, outcome] : ways) {
        writeFile(graphFileName, twoVertexFile);
        if (linked)
            fs::create_hard_link(graphFileName, "other.ruv");
        setrlimit(RLIMIT_FSIZE, &small);
        ::testing::internal::CaptureStderr();
        const bool saveResult = saveGraph();
        const std::string message = ::testing::internal::GetCapturedStderr();
        setrlimit(RLIMIT_FSIZE, &saved);

        EXPECT_FALSE(saveResult);
        EXPECT_EQ(message, std::string("ruvo: graph not saved to graph.ruv: File too large") +
                               outcome + "\n");
        EXPECT_EQ(readFile(graphFileName), twoVertexFile);
        EXPECT_EQ(directoryListing().size(), linked ? 2u : 1u);
    }
    std::signal(SIGXFSZ, previousHandler);
    std::signal(SIGPIPE, SIG_DFL);
    EXPECT_EQ(vertices.size(), 1000u);
}

TEST_F(FailedSave, RemovedWorkingDirectory) {
    fs::create_directory("gone");
    fs::current_path("gone");
    fs::remove("../gone");
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(saveGraph());
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "ruvo: graph not saved to graph.ruv: No such file or directory\n");
    fs::current_path(directory);
}

TEST_F(GraphFileWriter, ReplacesTheLinkedFileKeepingLinkAndPermissions) {
    fs::create_directory("store");
    writeFile("store/kept.ruv", "old");
    chmod("store/kept.ruv", 0640);
    fs::create_symlink("store/kept.ruv", graphFileName);
    buildTwoVertexGraph();
    ASSERT_TRUE(saveGraph());
    EXPECT_TRUE(fs::is_symlink(graphFileName));
    EXPECT_EQ(readFile("store/kept.ruv"), twoVertexFile);
    EXPECT_EQ(fs::status("store/kept.ruv").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(std::distance(fs::directory_iterator("store"), fs::directory_iterator()), 1);
}

// The saver acts as another user, so the file and its directory can belong to
// someone else; only root can switch, as CI does.
class SaveAsAnotherUser : public GraphFileTest {
  protected:
    static constexpr uid_t saver = 61001; // ids with no account are users all the same
    static constexpr uid_t owner = 61002;

    void SetUp() override {
        GraphFileTest::SetUp();
        if (geteuid() != 0)
            GTEST_SKIP() << "only root can save as another user";
        buildTwoVertexGraph();
    }
    // Saves as the saver; returns what standard error said.
    static std::string saveAsSaver(bool expected) {
        EXPECT_EQ(setegid(saver), 0);
        EXPECT_EQ(seteuid(saver), 0);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(saveGraph(), expected);
        const std::string message = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(seteuid(0), 0);
        EXPECT_EQ(setegid(0), 0);
        return message;
    }
    static void giveTo(const char* path, uid_t user, mode_t mode) {
        ASSERT_EQ(chown(path, user, user), 0);
        ASSERT_EQ(chmod(path, mode), 0);
    }
};

// Each case: a directory, a file in it and whose it is; an empty message means
// the save must succeed and leave the file its owner.
struct SharedFile {
    const char* what;
    mode_t directoryMode;
    uid_t fileOwner;
    mode_t fileMode;
    const char* message;
};

TEST_F(SaveAsAnotherUser, KeepsTheOwnerWhereverTheFileIsWritable) {
    const SharedFile cases[] = {
        {"another user's writable file", 0777, owner, 0666, ""},
        {"the saver's file in a read-only directory", 0755, saver, 0644, ""},
        {"another user's file in a sticky shared directory", 01777, owner, 0666, ""},
        {"another user's read-only file", 0777, owner, 0644,
         "ruvo: graph not saved to graph.ruv: the file is read-only for you\n"},
    };
    for (const SharedFile& shared : cases) {
        SCOPED_TRACE(shared.what);
        const std::string old = "an old graph, longer than the new one is going to be ......";
        writeFile(graphFileName, old);
        giveTo(".", 0, shared.directoryMode);
        giveTo(graphFileName, shared.fileOwner, shared.fileMode);
        EXPECT_EQ(saveAsSaver(*shared.message == '\0'), shared.message);
        struct stat info {};
        ASSERT_EQ(stat(graphFileName, &info), 0);
        EXPECT_EQ(info.st_uid, shared.fileOwner);
        EXPECT_EQ(info.st_gid, shared.fileOwner);
        EXPECT_EQ(readFile(graphFileName), *shared.message == '\0' ? twoVertexFile : old);
        EXPECT_EQ(directoryListing(), std::vector<std::string>{graphFileName});
    }
}

TEST_F(SaveAsAnotherUser, NothingToWriteInAReadOnlyDirectory) {
    giveTo(".", 0, 0755);
    EXPECT_EQ(saveAsSaver(false),
              "ruvo: graph not saved to graph.ruv: the directory does not let a new file be made, "
              "and there is no file to write in place (Permission denied)\n");
    EXPECT_TRUE(directoryListing().empty());
}
#endif

TEST_F(GraphFileWriter, KeepsEveryHardLinkToTheFile) {
    writeFile(graphFileName, "old");
    fs::create_hard_link(graphFileName, "other.ruv");
    buildTwoVertexGraph();
    ASSERT_TRUE(saveGraph());
    EXPECT_EQ(readFile("other.ruv"), asWritten(twoVertexFile));
    EXPECT_TRUE(fs::equivalent(graphFileName, "other.ruv"));
    EXPECT_EQ(directoryListing(), (std::vector<std::string>{"graph.ruv", "other.ruv"}));
}
