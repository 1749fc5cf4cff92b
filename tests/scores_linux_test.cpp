// The score file's tests that need POSIX processes, permissions, FIFOs and
// limits: a file that cannot be read, a FIFO in the file's place, saves that
// fail in a restricted child, the leftovers of ended saves, and a save killed
// at random moments.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"

namespace {

namespace fs = std::filesystem;

// A child process reports through its exit status.
constexpr int childPassed = 0;
constexpr int childFailed = 1;
constexpr int childCannotDropPrivileges = 2;

// Permission bits bind root only once it has become someone else.
bool dropRootPrivileges() {
    constexpr uid_t nobody = 65534;
    return geteuid() != 0 || (setgid(nobody) == 0 && setuid(nobody) == 0);
}

struct ChildResult {
    int status;              // the child's exit status, or childFailed if it did not exit
    std::string stderrText;  // what it wrote to standard error
};

// Runs `body` in a child process, which exits with its result.
template <typename Body>
ChildResult runInChild(Body body) {
    ChildResult result{childFailed, ""};
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return result;
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        dup2(pipeEnds[1], STDERR_FILENO);
        _exit(body());
    }
    close(pipeEnds[1]);
    char buffer[512];
    ssize_t count;
    while ((count = read(pipeEnds[0], buffer, sizeof buffer)) > 0) result.stderrText.append(buffer, count);
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
    return result;
}

// Anything at the name that is no readable regular file gets one line, and
// a FIFO without a writer is not waited on (the child would be stopped by
// its alarm). A missing file and a directory are the portable test's.
TEST_F(ScoresTest, AnUnreadableFileLeavesTheDefaults) {
    struct Case {
        const char* what;
        void (*make)();
        bool dropPrivileges;  // permission bits bind root only once it is someone else
        int lines;
    };
    const Case cases[] = {
        {"a FIFO", [] { mkfifo(scoreFileName, 0600); }, false, 1},
        {"a file without read permission",
         [] {
             writeFile(scoreFileName, fileBytes(storedEntries));
             fs::permissions(scoreFileName, fs::perms::none);
         },
         true, 1},
    };
    fs::permissions(directory_, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    for (const Case& c : cases) {
        c.make();
        const bool dropPrivileges = c.dropPrivileges;
        const ChildResult child = runInChild([dropPrivileges] {
            if (dropPrivileges && !dropRootPrivileges()) return childCannotDropPrivileges;
            constexpr unsigned timeLimitSeconds = 10;
            alarm(timeLimitSeconds);
            loadHighScores();
            return tableEntries() == defaultEntries() ? childPassed : childFailed;
        });
        fs::remove(scoreFileName);
        if (child.status == childCannotDropPrivileges) continue;
        EXPECT_EQ(child.status, childPassed) << c.what;
        EXPECT_EQ(std::count(child.stderrText.begin(), child.stderrText.end(), '\n'), c.lines)
            << c.what << ": " << child.stderrText;
    }
}

// A FIFO at the name is replaced by the saved file, as an old file would be.
TEST_F(ScoresTest, ASaveReplacesAFifo) {
    ASSERT_EQ(mkfifo(scoreFileName, 0600), 0);
    insertHighScore("Newcomer", 1000);
    saveHighScores();
    Entries expected = defaultEntries();
    expected.front() = {"Newcomer", 1000};
    EXPECT_TRUE(fs::is_regular_file(scoreFileName));
    EXPECT_EQ(readFile(scoreFileName), fileBytes(expected));
}

// A failed save keeps the old file byte for byte and the table as it was,
// leaves no temporary file behind and says so in one line on stderr.
class ChildSaveFailureTest : public SaveFailureTest {
protected:
    // Saves in a child after `restrict` has limited it, or skips the test.
    template <typename Restrict>
    void expectSaveFailsInChild(Restrict restrict) {
        const Entries table = tableEntries();
        const ChildResult child = runInChild([&] {
            if (!restrict()) return childCannotDropPrivileges;
            saveHighScores();
            return tableEntries() == table ? childPassed : childFailed;
        });
        if (child.status == childCannotDropPrivileges) GTEST_SKIP() << "cannot restrict the child";
        EXPECT_EQ(child.status, childPassed) << "the table changed";
        EXPECT_EQ(readFile(scoreFileName), oldBytes_);
        EXPECT_EQ(strayFiles(), std::vector<std::string>{});
        EXPECT_EQ(std::count(child.stderrText.begin(), child.stderrText.end(), '\n'), 1) << child.stderrText;
        EXPECT_TRUE(!child.stderrText.empty() && child.stderrText.back() == '\n');
    }
};

TEST_F(ChildSaveFailureTest, AReadOnlyDirectoryKeepsTheOldFile) {
    fs::permissions(directory_, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                    fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    expectSaveFailsInChild(dropRootPrivileges);
}

// A file size limit fails the writes as a full file system would, and it
// binds root too.
TEST_F(ChildSaveFailureTest, AWriteCutShortKeepsTheOldFile) {
    expectSaveFailsInChild([] {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = scoreFileSize / 2;
        return setrlimit(RLIMIT_FSIZE, &limit) == 0;
    });
}

// A save removes the temporary file of an ended process (a child, reaped)
// and no others: not that of a running one (this one's parent), not one with
// an id no process can have, not a player's.
TEST_F(ScoresTest, ASaveRemovesOnlyTheTemporaryFilesOfEndedProcesses) {
    const pid_t ended = fork();
    if (ended == 0) _exit(childPassed);
    ASSERT_EQ(waitpid(ended, nullptr, 0), ended);
    const std::vector<std::string> kept = {tempScoreFileName(static_cast<std::uint32_t>(getppid())),
                                           tempScoreFileName(UINT32_MAX), "scores.dat.backup", "scores.dat.Ab12Cd"};
    for (const std::string& name : kept) writeFile(name, {});
    writeFile(tempScoreFileName(static_cast<std::uint32_t>(ended)), {});
    saveHighScores();
    EXPECT_THAT(strayFiles(), testing::UnorderedElementsAreArray(kept));
}

// A child saves two tables in turn without end and is killed at random
// moments; every time, the file left behind is one of them, whole. The two
// tables are 1144 bytes of "a" and of "b" on file. A kill before a save's
// rename leaves the child's temporary file, which the next child's first
// save removes: they never pile up.
TEST_F(ScoresTest, ASaveKilledAtAnyMomentLeavesAWholeTable) {
    HighScoreTable tables[2];
    for (int i = 0; i < 2; ++i) {
        writeFile(scoreFileName, Bytes(scoreFileSize, 'a' + i));
        loadHighScores();
        tables[i] = highScoreTable;
    }
    constexpr int timedSaves = 5;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < timedSaves; ++i) saveHighScores();
    const auto saveTime = (std::chrono::steady_clock::now() - start) / timedSaves;

    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    // Up to three saves' time, so that most kills land inside a later save.
    std::uniform_int_distribution<long> delayNs(0, 3 * std::chrono::nanoseconds(saveTime).count());
    constexpr int kills = 200;
    int seen[2] = {0, 0};
    int leftovers = 0;
    for (int kill = 0; kill < kills; ++kill) {
        // The child reports each finished save, so that every kill comes
        // after its first one, whichever table that wrote.
        int pipeEnds[2];
        ASSERT_EQ(pipe(pipeEnds), 0);
        const pid_t child = fork();
        if (child == 0) {
            close(pipeEnds[0]);
            for (int turn = kill;; ++turn) {
                highScoreTable = tables[turn % 2];
                saveHighScores();
                if (write(pipeEnds[1], "s", 1) != 1) _exit(childFailed);
            }
        }
        close(pipeEnds[1]);
        char saved;
        const bool childSaved = read(pipeEnds[0], &saved, 1) == 1;
        std::this_thread::sleep_for(std::chrono::nanoseconds(delayNs(random)));
        ::kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        close(pipeEnds[0]);
        ASSERT_TRUE(childSaved) << "kill " << kill;

        const std::optional<Bytes> bytes = readFile(scoreFileName);
        ASSERT_TRUE(bytes.has_value()) << "seed " << seed << ", kill " << kill;
        const bool whole = bytes == Bytes(scoreFileSize, 'a') || bytes == Bytes(scoreFileSize, 'b');
        ASSERT_TRUE(whole) << "seed " << seed << ", kill " << kill << ", " << bytes->size() << " bytes";
        ++seen[bytes->front() - 'a'];
        const std::vector<std::string> strays = strayFiles();
        ASSERT_LE(strays.size(), 1u) << "kill " << kill;
        if (!strays.empty()) {
            EXPECT_EQ(tempScoreFileProcess(strays.front()), static_cast<std::uint32_t>(child)) << strays.front();
            ++leftovers;
        }
    }
    saveHighScores();
    EXPECT_EQ(strayFiles(), std::vector<std::string>{});
    // Both tables must have been written for the kills to have tested anything.
    EXPECT_GT(seen[0], 0);
    EXPECT_GT(seen[1], 0);
    std::printf("save time %lld us; file held table a %d times, b %d times; %d kills left a temporary file\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(saveTime).count()),
                seen[0], seen[1], leftovers);
}

}  // namespace
