// The score file's save on Windows, where the new file must replace the old
// one with a move that Windows allows over an existing file.
#include <windows.h>

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

}  // namespace
