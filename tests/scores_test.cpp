// The high score table, "scores.dat" and the name prompt. Every test runs in
// a fresh temporary directory, since the file's name is fixed.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/app.h"
#include "game/game.h"
#include "scores/scores.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

constexpr unsigned char keyEnter = 13;
constexpr unsigned char keyEscape = 27;

// A child process reports through its exit status.
constexpr int childPassed = 0;
constexpr int childFailed = 1;
constexpr int childCannotDropPrivileges = 2;
constexpr uid_t nobodyId = 65534;

// One record of "scores.dat", built here byte by byte so that the code under
// test does not check itself: the name, zeros up to 100 bytes, the score as
// four little-endian bytes.
Bytes recordBytes(const std::string& name, std::int32_t score) {
    Bytes record(name.begin(), name.end());
    record.resize(nameFieldSize, 0);
    const auto bits = static_cast<std::uint32_t>(score);
    record.push_back(bits & 0xff);
    record.push_back((bits >> 8) & 0xff);
    record.push_back((bits >> 16) & 0xff);
    record.push_back(bits >> 24);
    return record;
}

struct NamedScore {
    std::string name;
    std::int32_t score;
};

Bytes fileBytes(const std::vector<NamedScore>& entries) {
    Bytes bytes;
    for (const NamedScore& entry : entries) {
        const Bytes record = recordBytes(entry.name, entry.score);
        bytes.insert(bytes.end(), record.begin(), record.end());
    }
    return bytes;
}

std::vector<NamedScore> defaultEntries() {
    return std::vector<NamedScore>(highScoreCount, {"Default User", 0});
}

void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::optional<Bytes> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<NamedScore> tableEntries() {
    std::vector<NamedScore> entries;
    for (const HighScoreEntry& entry : highScoreTable.entries) {
        entries.push_back({std::string(highScoreName(entry)), entry.score});
    }
    return entries;
}

void expectTable(const std::vector<NamedScore>& expected) {
    const std::vector<NamedScore> actual = tableEntries();
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i].name, expected[i].name) << "entry " << i;
        EXPECT_EQ(actual[i].score, expected[i].score) << "entry " << i;
    }
}

bool holdsDefaults() {
    const std::vector<NamedScore> entries = tableEntries();
    return std::all_of(entries.begin(), entries.end(), [](const NamedScore& entry) {
        return entry.name == "Default User" && entry.score == 0;
    });
}

bool tablesEqual(const HighScoreTable& a, const HighScoreTable& b) {
    for (int i = 0; i < highScoreCount; ++i) {
        if (highScoreName(a.entries[i]) != highScoreName(b.entries[i])) return false;
        if (a.entries[i].score != b.entries[i].score) return false;
    }
    return true;
}

// Eleven distinct entries, out of order, some negative.
const std::vector<NamedScore> storedEntries = {
    {"Alice", -2}, {"Bob", 50}, {"Carol", 7}, {"Dave", 300}, {"Erin", 0}, {"Frank", -100000},
    {"Grace", 12}, {"Heidi", 12}, {"Ivan", INT32_MAX}, {"Judy", INT32_MIN}, {"Ken", -5},
};

// Runs `body` in a child process, as an unprivileged user when the tests run
// as root, so that permission bits apply. The result is the child's exit
// status: childPassed, childFailed or childCannotDropPrivileges.
template <typename Body>
int runUnprivileged(Body body) {
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(nobodyId) != 0 || setuid(nobodyId) != 0)) {
            _exit(childCannotDropPrivileges);
        }
        _exit(body() ? childPassed : childFailed);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : childFailed;
}

class ScoresTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousDirectory_ = fs::current_path();
        previousTable_ = highScoreTable;
        std::string pattern = (fs::temp_directory_path() / "scores_test.XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        directory_ = pattern;
        fs::current_path(directory_);
        loadHighScores();
        gameState = GameState{};
        enteringName = false;
        std::memset(nameBuffer, 0, sizeof nameBuffer);
        nameLength = 0;
    }

    // Leaves the globals as other tests expect them: the table as loaded at
    // start-up, no name prompt.
    void TearDown() override {
        highScoreTable = previousTable_;
        enteringName = false;
        gameState = GameState{};
        fs::current_path(previousDirectory_);
        fs::permissions(directory_, fs::perms::owner_all);
        fs::remove_all(directory_);
    }

    // The names in the directory other than "scores.dat": leftovers of a save.
    std::vector<std::string> strayFiles() const {
        std::vector<std::string> names;
        for (const auto& item : fs::directory_iterator(directory_)) {
            const std::string name = item.path().filename().string();
            if (name != scoreFileName) names.push_back(name);
        }
        return names;
    }

    fs::path previousDirectory_;
    HighScoreTable previousTable_;
    fs::path directory_;
};

TEST_F(ScoresTest, WithoutAFileTheTableHoldsTheDefaults) {
    expectTable(defaultEntries());
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
        SCOPED_TRACE("file of " + std::to_string(c.size) + " bytes");
        writeFile(scoreFileName, Bytes(source.begin(), source.begin() + c.size));
        loadHighScores();
        std::vector<NamedScore> expected = defaultEntries();
        std::copy(storedEntries.begin(), storedEntries.begin() + c.wholeRecords, expected.begin());
        if (c.partial) expected[c.wholeRecords] = *c.partial;
        expectTable(expected);
    }
}

TEST_F(ScoresTest, AFileThatCannotBeReadLeavesTheDefaults) {
    ASSERT_TRUE(fs::create_directory(scoreFileName));
    loadHighScores();
    expectTable(defaultEntries());
    fs::remove(scoreFileName);

    writeFile(scoreFileName, fileBytes(storedEntries));
    fs::permissions(scoreFileName, fs::perms::none);
    fs::permissions(directory_, fs::perms::owner_all | fs::perms::others_exec | fs::perms::group_exec);
    const int status = runUnprivileged([] {
        loadHighScores();
        return holdsDefaults();
    });
    if (status == childCannotDropPrivileges) GTEST_SKIP() << "cannot drop root privileges";
    EXPECT_EQ(status, childPassed);
}

// Score bytes that are not zero right after the name bytes: reading past
// the 100 bytes would run into them.
TEST_F(ScoresTest, ANameWithoutAZeroByteIsItsHundredBytes) {
    std::vector<NamedScore> entries = defaultEntries();
    entries[0] = {std::string(nameFieldSize, 'N'), 0x41414141};
    entries[1] = {std::string(nameFieldSize + 7, 'M'), 0};
    const Bytes bytes = fileBytes(entries);
    writeFile(scoreFileName, bytes);
    loadHighScores();
    EXPECT_EQ(highScoreName(highScoreTable.entries[0]), std::string(nameFieldSize, 'N'));
    EXPECT_EQ(highScoreTable.entries[0].score, 0x41414141);

    saveHighScores();
    EXPECT_EQ(readFile(scoreFileName), bytes);
}

TEST_F(ScoresTest, AStoredTableIsShownAsStoredAndQualificationUsesItsLastEntry) {
    std::vector<NamedScore> entries = defaultEntries();
    for (int i = 0; i < highScoreCount - 1; ++i) entries[i] = {"Low" + std::to_string(i), i};
    entries[highScoreCount - 1] = {"Last", 100};
    writeFile(scoreFileName, fileBytes(entries));
    loadHighScores();
    expectTable(entries);

    gameState.score = 99;  // above nine entries, but not above the last one
    offerNameEntry();
    EXPECT_FALSE(enteringName);
    gameState.score = 100;
    offerNameEntry();
    EXPECT_FALSE(enteringName);
    gameState.score = 101;
    offerNameEntry();
    EXPECT_TRUE(enteringName);

    insertHighScore("New", 101);
    expectTable({{"New", 101}, {"Low9", 9}, {"Low8", 8}, {"Low7", 7}, {"Low6", 6}, {"Low5", 5},
                 {"Low4", 4}, {"Low3", 3}, {"Low2", 2}, {"Low1", 1}, {"Low0", 0}});
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

// Built by hand, with zeros after every name; loading and saving it again
// gives back the same bytes, whatever the host's byte order.
TEST_F(ScoresTest, AFileRoundTripsByteForByte) {
    std::vector<NamedScore> entries = storedEntries;
    entries[4] = {std::string(nameFieldSize, 'Z'), 0x01020304};
    entries[5] = {"", -1};
    const Bytes bytes = fileBytes(entries);
    writeFile(scoreFileName, bytes);
    loadHighScores();
    expectTable(entries);
    fs::remove(scoreFileName);
    saveHighScores();
    EXPECT_EQ(readFile(scoreFileName), bytes);
}

TEST_F(ScoresTest, SavingWritesZerosAfterEveryName) {
    Bytes bytes = fileBytes(storedEntries);
    const std::string leftover = "leftover";
    std::copy(leftover.begin(), leftover.end(), bytes.begin() + std::strlen("Alice") + 1);
    writeFile(scoreFileName, bytes);
    loadHighScores();
    insertHighScore("Al", INT32_MAX);  // over "Ken", a longer name, and below "Ivan"

    saveHighScores();
    std::vector<NamedScore> expected = storedEntries;
    expected.back() = {"Al", INT32_MAX};
    std::stable_sort(expected.begin(), expected.end(),
                     [](const NamedScore& a, const NamedScore& b) { return a.score > b.score; });
    EXPECT_EQ(readFile(scoreFileName), fileBytes(expected));
}

TEST_F(ScoresTest, ANewScoreEqualToOthersLandsBelowThem) {
    std::vector<NamedScore> entries = {{"A", 100}, {"B", 90}, {"C", 90}, {"D", 80}, {"E", 70}, {"F", 60},
                                       {"G", 50}, {"H", 40}, {"I", 30}, {"J", 20}, {"K", 10}};
    writeFile(scoreFileName, fileBytes(entries));
    loadHighScores();
    insertHighScore("New", 90);
    entries.pop_back();
    entries.insert(entries.begin() + 3, {"New", 90});
    expectTable(entries);
}

// The worst order for the passes: the new best score starts at the bottom
// and rises one place per pass.
TEST_F(ScoresTest, TenPassesSortATableInAscendingOrder) {
    std::vector<NamedScore> entries;
    for (int i = 0; i < highScoreCount; ++i) entries.push_back({"P" + std::to_string(i), i});
    writeFile(scoreFileName, fileBytes(entries));
    loadHighScores();
    insertHighScore("Best", 1000);
    std::vector<NamedScore> expected = {{"Best", 1000}};
    for (int i = highScoreCount - 2; i >= 0; --i) expected.push_back({"P" + std::to_string(i), i});
    expectTable(expected);
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

    static void type(const std::string& keys) {
        for (const char key : keys) handleKeyboard(static_cast<unsigned char>(key));
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
    expectTable(defaultEntries());
    EXPECT_FALSE(fs::exists(scoreFileName));
}

TEST_F(NameEntryTest, ControlCodesAndPunctuationAreTakenAsTyped) {
    const std::string name = {'\x01', '!', ' ', '\t', '\x7f', '\xe9', '~'};
    type(name);
    handleKeyboard(keyEnter);
    std::vector<NamedScore> expected = defaultEntries();
    expected.insert(expected.begin(), {name, 42});
    expected.pop_back();
    expectTable(expected);
    EXPECT_EQ(readFile(scoreFileName), fileBytes(expected));
}

TEST_F(NameEntryTest, EnterAfterACommittedNameReturnsToTheMenu) {
    type("Ann\r");
    EXPECT_FALSE(enteringName);
    EXPECT_EQ(gameState.mode, ScreenMode::Highscores);
    handleKeyboard(keyEnter);
    EXPECT_EQ(gameState.mode, ScreenMode::Menu);
}

TEST_F(NameEntryTest, EscStillQuits) {
    type("An");
    EXPECT_EQ(handleKeyboard(keyEscape), KeyOutcome::Quit);
}

TEST_F(NameEntryTest, ChoosingHighscoresInTheMenuEndsNameEntry) {
    gameState.mode = ScreenMode::Menu;
    gameState.menuSelection = menuHighscores;
    handleKeyboard(keyEnter);
    EXPECT_EQ(gameState.mode, ScreenMode::Highscores);
    EXPECT_FALSE(enteringName);
    handleKeyboard(keyEnter);
    EXPECT_EQ(gameState.mode, ScreenMode::Menu);
}

// One game through the shell without a window: the menu starts it, the
// rules end it with points, the typed name goes into the table and the file,
// and the next start loads it from there.
TEST_F(ScoresTest, AHighScoreGoesFromTheGameToTheFileAndBackAtTheNextStart) {
    spawnPiece();  // as the program entry does
    gameState.menuSelection = menuStart;
    handleKeyboard(keyEnter);
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

    for (const char key : std::string("Winner")) handleKeyboard(static_cast<unsigned char>(key));
    handleKeyboard(keyEnter);
    EXPECT_EQ(gameState.mode, ScreenMode::Highscores);
    std::vector<NamedScore> expected = defaultEntries();
    expected.front() = {"Winner", score};
    expectTable(expected);
    EXPECT_EQ(readFile(scoreFileName), fileBytes(expected));
    handleKeyboard(keyEnter);
    EXPECT_EQ(gameState.mode, ScreenMode::Menu);

    highScoreTable = HighScoreTable{};
    loadHighScores();
    expectTable(expected);
}

// A failed save keeps the old file byte for byte and the table as it was,
// leaves no temporary file behind and says so in one line on stderr.
class SaveFailureTest : public ScoresTest {
protected:
    void SetUp() override {
        ScoresTest::SetUp();
        oldBytes_ = fileBytes(storedEntries);
        writeFile(scoreFileName, oldBytes_);
        loadHighScores();
        insertHighScore("Newcomer", 1000);
        tableBefore_ = highScoreTable;
    }

    // Saves in a child that `restrict` has limited, with its stderr captured.
    template <typename Restrict>
    int saveInChild(Restrict restrict, std::string& stderrText) {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0) return childFailed;
        const pid_t child = fork();
        if (child == 0) {
            close(pipeEnds[0]);
            dup2(pipeEnds[1], STDERR_FILENO);
            if (!restrict()) _exit(childCannotDropPrivileges);
            saveHighScores();
            _exit(tablesEqual(highScoreTable, tableBefore_) ? childPassed : childFailed);
        }
        close(pipeEnds[1]);
        char buffer[512];
        ssize_t count;
        while ((count = read(pipeEnds[0], buffer, sizeof buffer)) > 0) stderrText.append(buffer, count);
        close(pipeEnds[0]);
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : childFailed;
    }

    void expectOldFileKept(const std::string& stderrText) {
        EXPECT_EQ(readFile(scoreFileName), oldBytes_);
        EXPECT_TRUE(strayFiles().empty());
        EXPECT_EQ(std::count(stderrText.begin(), stderrText.end(), '\n'), 1) << stderrText;
        EXPECT_TRUE(!stderrText.empty() && stderrText.back() == '\n');
    }

    Bytes oldBytes_;
    HighScoreTable tableBefore_;
};

TEST_F(SaveFailureTest, AReadOnlyDirectoryKeepsTheOldFile) {
    fs::permissions(directory_, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                    fs::perms::others_exec | fs::perms::group_read | fs::perms::group_exec);
    std::string stderrText;
    const int status = saveInChild(
        [] { return geteuid() != 0 || (setgid(nobodyId) == 0 && setuid(nobodyId) == 0); }, stderrText);
    if (status == childCannotDropPrivileges) GTEST_SKIP() << "cannot drop root privileges";
    EXPECT_EQ(status, childPassed);
    expectOldFileKept(stderrText);
}

// A file size limit fails the writes as a full file system would, and it
// binds root too.
TEST_F(SaveFailureTest, AWriteCutShortKeepsTheOldFile) {
    std::string stderrText;
    const int status = saveInChild(
        [] {
            signal(SIGXFSZ, SIG_IGN);
            rlimit limit{};
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = scoreFileSize / 2;
            return setrlimit(RLIMIT_FSIZE, &limit) == 0;
        },
        stderrText);
    EXPECT_EQ(status, childPassed);
    expectOldFileKept(stderrText);
}

TEST_F(SaveFailureTest, ADirectoryInThePlaceOfTheFileStays) {
    fs::remove(scoreFileName);
    fs::create_directory(scoreFileName);
    ::testing::internal::CaptureStderr();
    saveHighScores();
    const std::string stderrText = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(fs::is_directory(scoreFileName));
    EXPECT_TRUE(strayFiles().empty());
    EXPECT_TRUE(tablesEqual(highScoreTable, tableBefore_));
    EXPECT_EQ(std::count(stderrText.begin(), stderrText.end(), '\n'), 1) << stderrText;
}

// A table whose 1144 bytes on file are all `fill`: names of 100 such bytes
// and scores made of four of them.
HighScoreTable uniformTable(char fill) {
    HighScoreTable table{};
    const auto byte = static_cast<std::uint32_t>(static_cast<unsigned char>(fill));
    for (HighScoreEntry& entry : table.entries) {
        std::memset(entry.name, fill, sizeof entry.name);
        entry.score = static_cast<std::int32_t>(byte | byte << 8 | byte << 16 | byte << 24);
    }
    return table;
}

// A child saves two tables in turn without end and is killed at random
// moments; every time, the file left behind is one of them, whole.
TEST_F(ScoresTest, ASaveKilledAtAnyMomentLeavesAWholeTable) {
    const HighScoreTable tables[] = {uniformTable('a'), uniformTable('b')};
    highScoreTable = tables[0];
    saveHighScores();

    constexpr int timedSaves = 5;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < timedSaves; ++i) saveHighScores();
    const auto saveTime = (std::chrono::steady_clock::now() - start) / timedSaves;

    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    // Up to three saves' time, so that most kills land inside a save.
    std::uniform_int_distribution<long> delayNs(0, 3 * std::chrono::nanoseconds(saveTime).count());
    constexpr int kills = 200;
    int seen[2] = {0, 0};
    for (int kill = 0; kill < kills; ++kill) {
        const pid_t child = fork();
        if (child == 0) {
            for (unsigned turn = 1;; ++turn) {
                highScoreTable = tables[turn % 2];
                saveHighScores();
            }
        }
        std::this_thread::sleep_for(std::chrono::nanoseconds(delayNs(random)));
        ::kill(child, SIGKILL);
        waitpid(child, nullptr, 0);

        const std::optional<Bytes> bytes = readFile(scoreFileName);
        ASSERT_TRUE(bytes.has_value()) << "seed " << seed << ", kill " << kill;
        ASSERT_EQ(bytes->size(), scoreFileSize) << "seed " << seed << ", kill " << kill;
        const unsigned char fill = bytes->front();
        ASSERT_TRUE(fill == 'a' || fill == 'b') << "seed " << seed << ", kill " << kill;
        ASSERT_EQ(std::count(bytes->begin(), bytes->end(), fill), static_cast<long>(scoreFileSize))
            << "seed " << seed << ", kill " << kill;
        ++seen[fill - 'a'];
    }
    // Both tables must have been written for the kills to have tested anything.
    EXPECT_GT(seen[0], 0);
    EXPECT_GT(seen[1], 0);
    std::printf("save time %lld us; file held table a %d times, b %d times\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(saveTime).count()),
                seen[0], seen[1]);
}

}  // namespace
