// The score file's save on Windows, where the new file must replace the old
// one with a move that Windows allows over an existing file, and where a
// process's end is learnt from its handle.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

// A read-only "scores.dat" cannot be replaced: the old bytes, the table and
// the directory stay as they were, and one line says why.
TEST_F(SaveFailureTest, AReadOnlyFileKeepsItsBytes) {
    ASSERT_TRUE(SetFileAttributesA(scoreFileName, FILE_ATTRIBUTE_READONLY));
    const Entries table = tableEntries();
    ::testing::internal::CaptureStderr();
    saveHighScores();
    const std::string stderrText = ::testing::internal::GetCapturedStderr();
    SetFileAttributesA(scoreFileName, FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(readFile(scoreFileName), oldBytes_);
    EXPECT_EQ(strayFiles(), std::vector<std::string>{});
    EXPECT_EQ(tableEntries(), table);
    EXPECT_EQ(stderrText.rfind("tessarine3d: scores.dat: could not replace the file: ", 0), 0u) << stderrText;
    EXPECT_EQ(std::count(stderrText.begin(), stderrText.end(), '\n'), 1) << stderrText;
}

// A save removes the temporary file of an ended process, whether a handle
// still holds it or not, and no others: not that of a running one (a
// suspended copy of this program), not a player's.
TEST_F(ScoresTest, ASaveRemovesOnlyTheTemporaryFilesOfEndedProcesses) {
    char program[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(nullptr, program, MAX_PATH), 0u);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    ASSERT_TRUE(CreateProcessA(program, nullptr, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                               &startup, &child));
    const std::string childFile = tempScoreFileName(child.dwProcessId);
    const std::vector<std::string> players = {"scores.dat.backup", "scoA1B2.tmp"};
    for (const std::string& name : players) writeFile(name, {});
    writeFile(childFile, {});
    saveHighScores();
    EXPECT_THAT(strayFiles(), testing::UnorderedElementsAre(childFile, players[0], players[1])) << "running";

    TerminateProcess(child.hProcess, 0);
    WaitForSingleObject(child.hProcess, INFINITE);
    saveHighScores();
    EXPECT_THAT(strayFiles(), testing::UnorderedElementsAreArray(players)) << "ended, its handle open";

    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    writeFile(childFile, {});
    saveHighScores();
    EXPECT_THAT(strayFiles(), testing::UnorderedElementsAreArray(players)) << "ended, no handle left";
}

}  // namespace
