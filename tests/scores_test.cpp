// The high score table, "scores.dat" and the name prompt. Every test runs in
// a fresh temporary directory, since the file's name is fixed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

namespace fs = std::filesystem;

// A missing file goes unreported; a directory in its place gets one line.
TEST_F(ScoresTest, AMissingFileOrADirectoryInItsPlaceLeavesTheDefaults) {
    for (const bool directory : {false, true}) {
        if (directory) {
            ASSERT_TRUE(fs::create_directory(scoreFileName));
        }
        ::testing::internal::CaptureStderr();
        loadHighScores();
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(tableEntries(), defaultEntries()) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), directory ? 1 : 0) << said;
    }
}

// The new file takes the old one's place whole, and nothing else is left.
TEST_F(SaveFailureTest, ASaveReplacesAnOlderFile) {
    saveHighScores();
    EXPECT_EQ(readFile(scoreFileName), fileBytes(tableEntries()));
    EXPECT_EQ(strayFiles(), std::vector<std::string>{});
}

// Only a name of the temporary files' exact form gives a process id, so that
// the removal of leftovers never takes a player's file.
TEST(TempScoreFile, OnlyItsOwnFormOfNameGivesAProcessId) {
    EXPECT_EQ(tempScoreFileName(4242), ".scores.dat.4242.tmp");
    for (std::uint32_t id : {1u, 4242u, UINT32_MAX}) EXPECT_EQ(tempScoreFileProcess(tempScoreFileName(id)), id);
    for (const char* name : {"scores.dat", "scores.dat.backup", "scores.dat.4242", "scores.dat.Ab12Cd",
                             ".scores.dat.tmp", ".scores.dat..tmp", ".scores.dat.0.tmp", ".scores.dat.042.tmp",
                             ".scores.dat.+42.tmp", ".scores.dat.-42.tmp", ".scores.dat.42x.tmp",
                             ".scores.dat.42.tmp.bak", "x.scores.dat.42.tmp", ".scores.dat.4294967296.tmp"}) {
        EXPECT_EQ(tempScoreFileProcess(name), std::nullopt) << name;
    }
}

// A file of any length fills the table from the front, byte for byte in the
// record layout; the last record it reaches may be replaced in part, and
// bytes past the table's 1144 are ignored.
TEST_F(ScoresTest, AFileFillsTheTableFromTheFrontUpToItsLength) {
    Bytes source = fileBytes(storedEntries);
    source.insert(source.end(), 56, 'x');
    struct Case {
        std::size_t size;
        int wholeRecords;
        std::optional<NamedScore> partial;  // the record the file ends inside
    };
    const Case cases[] = {
        {0, 0, std::nullopt},
        {1, 0, NamedScore{"Aefault User", 0}},
        // Name whole, three low bytes of -2 (0xfffffffe) over the default 0.
        {103, 0, NamedScore{"Alice", 0x00fffffe}},
        {104, 1, std::nullopt},
        {105, 1, NamedScore{"Befault User", 0}},
        {1143, 10, NamedScore{"Ken", 0x00fffffb}},
        {1144, 11, std::nullopt},
        {source.size(), 11, std::nullopt},
    };
    for (const Case& c : cases) {
        writeFile(scoreFileName, Bytes(source.begin(), source.begin() + c.size));
        loadHighScores();
        Entries expected = defaultEntries();
        std::copy(storedEntries.begin(), storedEntries.begin() + c.wholeRecords, expected.begin());
        if (c.partial) expected[c.wholeRecords] = *c.partial;
        EXPECT_EQ(tableEntries(), expected) << "file of " << c.size << " bytes";
    }
}

// Built by hand: loading gives the expected table, saving it gives back the
// same bytes, with zeros after every name even where the loaded file had
// other bytes there. A name of 100 bytes without a zero is followed by score
// bytes that are not zero: reading past the 100 bytes would run into them.
TEST_F(ScoresTest, AFileRoundTripsByteForByteWithZerosAfterEachName) {
    Entries entries = storedEntries;
    entries[4] = {std::string(nameFieldSize, 'N'), 0x41414141};
    entries[5] = {"", -1};
    const Bytes clean = fileBytes(entries);
    Bytes dirty = clean;
    const std::string leftover = "leftover";
    std::copy(leftover.begin(), leftover.end(), dirty.begin() + std::strlen("Alice") + 1);
    writeFile(scoreFileName, dirty);
    loadHighScores();
    EXPECT_EQ(tableEntries(), entries);

    fs::remove(scoreFileName);
    saveHighScores();
    EXPECT_EQ(readFile(scoreFileName), clean);
}

TEST_F(ScoresTest, AStoredTableIsShownAsStoredAndQualificationUsesItsLastEntry) {
    Entries entries;
    for (int i = 0; i < highScoreCount - 1; ++i) entries.push_back({"Low" + std::to_string(i), i});
    entries.push_back({"Last", 100});
    writeFile(scoreFileName, fileBytes(entries));
    loadHighScores();
    EXPECT_EQ(tableEntries(), entries);

    for (const std::int32_t score : {99, 100}) {  // above nine entries, but not above the last one
        gameState.score = score;
        offerNameEntry();
        EXPECT_FALSE(enteringName) << score;
    }
    gameState.score = 101;
    offerNameEntry();
    EXPECT_TRUE(enteringName);

    insertHighScore("New", 101);
    EXPECT_EQ(tableEntries(), (Entries{{"New", 101}, {"Low9", 9}, {"Low8", 8}, {"Low7", 7}, {"Low6", 6},
                                       {"Low5", 5}, {"Low4", 4}, {"Low3", 3}, {"Low2", 2}, {"Low1", 1},
                                       {"Low0", 0}}));
}

TEST_F(ScoresTest, WithTheDefaultsAnyScoreAboveZeroQualifies) {
    gameState.score = 0;
    offerNameEntry();
    EXPECT_FALSE(enteringName);

    std::strcpy(nameBuffer, "stale");
    nameLength = 5;
    gameState.score = 1;
    offerNameEntry();
    EXPECT_TRUE(enteringName);
    EXPECT_EQ(nameLength, 0);
    EXPECT_STREQ(nameBuffer, "");
}

TEST_F(ScoresTest, ANewScoreEqualToOthersLandsBelowThem) {
    Entries entries = {{"A", 100}, {"B", 90}, {"C", 90}, {"D", 80}, {"E", 70}, {"F", 60},
                       {"G", 50},  {"H", 40}, {"I", 30}, {"J", 20}, {"K", 10}};
    writeFile(scoreFileName, fileBytes(entries));
    loadHighScores();
    insertHighScore("New", 90);
    entries.pop_back();
    entries.insert(entries.begin() + 3, {"New", 90});
    EXPECT_EQ(tableEntries(), entries);
}

// The worst order for the passes: the new best score starts at the bottom
// and rises one place per pass.
TEST_F(ScoresTest, TenPassesSortATableInAscendingOrder) {
    Entries entries;
    for (int i = 0; i < highScoreCount; ++i) entries.push_back({"P" + std::to_string(i), i});
    writeFile(scoreFileName, fileBytes(entries));
    loadHighScores();
    insertHighScore("Best", 1000);
    Entries expected = {{"Best", 1000}};
    for (int i = highScoreCount - 2; i >= 0; --i) expected.push_back({"P" + std::to_string(i), i});
    EXPECT_EQ(tableEntries(), expected);
}

// Keys reach the prompt the way the program delivers them: through the shell.
void type(const std::string& keys) {
    for (const char key : keys) handleKeyboard(static_cast<unsigned char>(key));
}

class NameEntryTest : public ScoresTest {
protected:
    void SetUp() override {
        ScoresTest::SetUp();
        gameState.mode = ScreenMode::Highscores;
        gameState.score = 42;
        offerNameEntry();
        ASSERT_TRUE(enteringName);
    }
};

TEST_F(NameEntryTest, TheTwelfthCharacterIsRefused) {
    type("ABCDEFGHIJKL");
    EXPECT_STREQ(nameBuffer, "ABCDEFGHIJK");
    EXPECT_EQ(nameLength, maxNameLength);
}

TEST_F(NameEntryTest, BackspaceRemovesTheLastCharacterAndStopsAtAnEmptyName) {
    type("AB\b");
    EXPECT_STREQ(nameBuffer, "A");
    type("\b\b\b");
    EXPECT_STREQ(nameBuffer, "");
    EXPECT_EQ(nameLength, 0);
    type("C");
    EXPECT_STREQ(nameBuffer, "C");
}

TEST_F(NameEntryTest, EnterWithAnEmptyNameChangesNeitherTableNorFile) {
    handleKeyboard(keyEnter);
    EXPECT_FALSE(enteringName);
    EXPECT_EQ(gameState.mode, ScreenMode::Highscores);
    EXPECT_EQ(tableEntries(), defaultEntries());
    EXPECT_FALSE(fs::exists(scoreFileName));
}

// The new name replaces the longer "Default User": no byte of it may remain.
TEST_F(NameEntryTest, ControlCodesAndPunctuationAreTakenAsTyped) {
    const std::string name = {'\x01', '!', ' ', '\t', '\x7f', '\xe9', '~'};
    type(name + "\r");
    Entries expected = defaultEntries();
    expected.insert(expected.begin(), {name, 42});
    expected.pop_back();
    EXPECT_EQ(tableEntries(), expected);
    EXPECT_EQ(readFile(scoreFileName), fileBytes(expected));
}

TEST_F(NameEntryTest, EscQuitsAndEnterAfterACommittedNameReturnsToTheMenu) {
    type("Ann");
    EXPECT_EQ(handleKeyboard(keyEscape), KeyOutcome::Quit);
    type("\r");
    EXPECT_FALSE(enteringName);
    EXPECT_EQ(gameState.mode, ScreenMode::Highscores);
    type("\r");
    EXPECT_EQ(gameState.mode, ScreenMode::Menu);
}

TEST_F(NameEntryTest, ChoosingHighscoresInTheMenuEndsNameEntry) {
    gameState.mode = ScreenMode::Menu;
    gameState.menuSelection = menuHighscores;
    type("\r");
    EXPECT_EQ(gameState.mode, ScreenMode::Highscores);
    EXPECT_FALSE(enteringName);
    type("\r");
    EXPECT_EQ(gameState.mode, ScreenMode::Menu);
}

// One game through the shell without a window: the menu starts it, the
// rules end it with points, the typed name goes into the table and the file,
// and the next start loads it from there.
TEST_F(ScoresTest, AHighScoreGoesFromTheGameToTheFileAndBackAtTheNextStart) {
    spawnPiece();  // as the program entry does
    type("\r");
    ASSERT_EQ(gameState.mode, ScreenMode::Play);
    // The first piece lands as a column of one kind, which clears and scores.
    for (PieceBlock& block : piece.blocks) block.kind = 1;

    constexpr int stepLimit = 100000;
    ::testing::internal::CaptureStdout();
    for (int step = 0; step < stepLimit && gameState.mode == ScreenMode::Play; ++step) {
        stepPiece();
        resolveBoard();
    }
    const std::string output = ::testing::internal::GetCapturedStdout();
    ASSERT_EQ(gameState.mode, ScreenMode::Highscores);
    const std::int32_t score = gameState.score;
    ASSERT_GE(score, 1);
    EXPECT_EQ(output, "game over\nyour score: " + std::to_string(score) + "\n");
    ASSERT_TRUE(enteringName);

    type("Winner\r");
    Entries expected = defaultEntries();
    expected.front() = {"Winner", score};
    EXPECT_EQ(tableEntries(), expected);
    EXPECT_EQ(readFile(scoreFileName), fileBytes(expected));
    type("\r");
    EXPECT_EQ(gameState.mode, ScreenMode::Menu);

    highScoreTable = HighScoreTable{};
    loadHighScores();
    EXPECT_EQ(tableEntries(), expected);
}

TEST_F(SaveFailureTest, ADirectoryInThePlaceOfTheFileStays) {
    fs::remove(scoreFileName);
    fs::create_directory(scoreFileName);
    const Entries table = tableEntries();
    ::testing::internal::CaptureStderr();
    saveHighScores();
    const std::string stderrText = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(fs::is_directory(scoreFileName));
    EXPECT_EQ(strayFiles(), std::vector<std::string>{});
    EXPECT_EQ(tableEntries(), table);
    EXPECT_EQ(std::count(stderrText.begin(), stderrText.end(), '\n'), 1) << stderrText;
}

}  // namespace
