// The high score table, "scores.dat" and the name prompt. Every test runs in
// a fresh temporary directory, since the file's name is fixed.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
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

// One record of "scores.dat", built here byte by byte so that the code under
// test does not check itself: the name, zeros up to 100 bytes, the score as
// four little-endian bytes.
Bytes recordBytes(const std::string& name, std::int32_t score) {
    Bytes record(name.begin(), name.end());
    record.resize(nameFieldSize, 0);
    const auto bits = static_cast<std::uint32_t>(score);
    for (int shift = 0; shift < 32; shift += 8) record.push_back((bits >> shift) & 0xff);
    return record;
}

struct NamedScore {
    std::string name;
    std::int32_t score;
    bool operator==(const NamedScore& other) const { return name == other.name && score == other.score; }
};

void PrintTo(const NamedScore& entry, std::ostream* out) {
    *out << '"' << entry.name << "\" " << entry.score;
}

using Entries = std::vector<NamedScore>;

Bytes fileBytes(const Entries& entries) {
    Bytes bytes;
    for (const NamedScore& entry : entries) {
        const Bytes record = recordBytes(entry.name, entry.score);
        bytes.insert(bytes.end(), record.begin(), record.end());
    }
    return bytes;
}

Entries defaultEntries() {
    return Entries(highScoreCount, {"Default User", 0});
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

Entries tableEntries() {
    Entries entries;
    for (const HighScoreEntry& entry : highScoreTable.entries) {
        entries.push_back({std::string(highScoreName(entry)), entry.score});
    }
    return entries;
}

// Eleven distinct entries, out of order, some negative.
const Entries storedEntries = {
    {"Alice", -2}, {"Bob", 50}, {"Carol", 7}, {"Dave", 300}, {"Erin", 0}, {"Frank", -100000},
    {"Grace", 12}, {"Heidi", 12}, {"Ivan", INT32_MAX}, {"Judy", INT32_MIN}, {"Ken", -5},
};

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

// Only a missing file goes unreported; anything else at the name that is no
// readable regular file gets one line, and a FIFO without a writer is not
// waited on (the child would be stopped by its alarm).
TEST_F(ScoresTest, AMissingOrUnreadableFileLeavesTheDefaults) {
    struct Case {
        const char* what;
        void (*make)();
        bool dropPrivileges;  // permission bits bind root only once it is someone else
        int lines;
    };
    const Case cases[] = {
        {"no file", [] {}, false, 0},
        {"a directory", [] { fs::create_directory(scoreFileName); }, false, 1},
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
    }

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

    Bytes oldBytes_;
};

TEST_F(SaveFailureTest, AReadOnlyDirectoryKeepsTheOldFile) {
    fs::permissions(directory_, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                    fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    expectSaveFailsInChild(dropRootPrivileges);
}

// A file size limit fails the writes as a full file system would, and it
// binds root too.
TEST_F(SaveFailureTest, AWriteCutShortKeepsTheOldFile) {
    expectSaveFailsInChild([] {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = scoreFileSize / 2;
        return setrlimit(RLIMIT_FSIZE, &limit) == 0;
    });
}

// The rename fails: the directory stays, and so does the table.
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

// A child saves two tables in turn without end and is killed at random
// moments; every time, the file left behind is one of them, whole. The two
// tables are 1144 bytes of "a" and of "b" on file.
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
    }
    // Both tables must have been written for the kills to have tested anything.
    EXPECT_GT(seen[0], 0);
    EXPECT_GT(seen[1], 0);
    std::printf("save time %lld us; file held table a %d times, b %d times\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(saveTime).count()),
                seen[0], seen[1]);
}

}  // namespace
