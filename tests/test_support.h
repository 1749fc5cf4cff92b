// Helpers shared by the tests: put the globals into a known state; build
// "scores.dat" byte by byte and run each score file test in a directory of
// its own.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "app/app.h"
#include "game/game.h"
#include "scores/scores.h"
#include "sound/sound.h"

// Fresh game state, no error box, name prompt closed and empty, empty board, and a
// piece of the given kinds with its top block at (column, topRow).
inline void resetWorld(int column = spawnColumn, int topRow = 0,
                       std::initializer_list<BlockKind> kinds = {1, 2, 3}) {
    gameState = GameState{};
    errorBoxes = ErrorBoxQueue{};
    windowView = WindowView{};
    enteringName = false;
    std::memset(nameBuffer, 0, sizeof nameBuffer);
    nameLength = 0;
    pendingCharacter = '\0';
    for (PadState& pad : pads) pad = PadState{};
    forgetTouches();
    takeCuedSounds();
    clearBoard();
    int i = 0;
    for (BlockKind kind : kinds) {
        piece.blocks[i] = PieceBlock{kind, column, topRow + i};
        ++i;
    }
}

// Writes kind into several board cells given as {column, row} pairs.
struct Cell {
    int column;
    int row;
};

inline void fill(std::initializer_list<Cell> cells, BlockKind kind) {
    for (Cell cell : cells) board.cells[cell.row][cell.column] = kind;
}

inline BlockKind at(int column, int row) { return board.cells[row][column]; }

// A new, empty directory of its own under the system's temporary directory.
inline std::filesystem::path makeTempDirectory(const std::string& stem) {
    std::random_device random;
    for (;;) {
        const std::filesystem::path path =
            std::filesystem::temp_directory_path() / (stem + "." + std::to_string(random()));
        if (std::filesystem::create_directory(path)) return path;
    }
}

using Bytes = std::vector<unsigned char>;

// One record of "scores.dat", built here byte by byte so that the code under
// test does not check itself: the name, zeros up to 100 bytes, the score as
// four little-endian bytes.
inline Bytes recordBytes(const std::string& name, std::int32_t score) {
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

inline void PrintTo(const NamedScore& entry, std::ostream* out) {
    *out << '"' << entry.name << "\" " << entry.score;
}

using Entries = std::vector<NamedScore>;

inline Bytes fileBytes(const Entries& entries) {
    Bytes bytes;
    for (const NamedScore& entry : entries) {
        const Bytes record = recordBytes(entry.name, entry.score);
        bytes.insert(bytes.end(), record.begin(), record.end());
    }
    return bytes;
}

inline Entries defaultEntries() {
    return Entries(highScoreCount, {"Default User", 0});
}

inline void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::optional<Bytes> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline Entries tableEntries() {
    Entries entries;
    for (const HighScoreEntry& entry : highScoreTable.entries) {
        entries.push_back({std::string(highScoreName(entry)), entry.score});
    }
    return entries;
}

// Eleven distinct entries, out of order, some negative.
inline const Entries storedEntries = {
    {"Alice", -2}, {"Bob", 50}, {"Carol", 7}, {"Dave", 300}, {"Erin", 0}, {"Frank", -100000},
    {"Grace", 12}, {"Heidi", 12}, {"Ivan", INT32_MAX}, {"Judy", INT32_MIN}, {"Ken", -5},
};

class ScoresTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousDirectory_ = std::filesystem::current_path();
        previousTable_ = highScoreTable;
        directory_ = makeTempDirectory("scores_test");
        std::filesystem::current_path(directory_);
        loadHighScores();
        gameState = GameState{};
        errorBoxes = ErrorBoxQueue{};
        enteringName = false;
        std::memset(nameBuffer, 0, sizeof nameBuffer);
        nameLength = 0;
    }

    // Leaves the globals as other tests expect them: the table as loaded at
    // start-up, no name prompt, no error box.
    void TearDown() override {
        highScoreTable = previousTable_;
        enteringName = false;
        gameState = GameState{};
        errorBoxes = ErrorBoxQueue{};
        std::filesystem::current_path(previousDirectory_);
        std::filesystem::permissions(directory_, std::filesystem::perms::owner_all);
        std::filesystem::remove_all(directory_);
    }

    // The names in the directory other than "scores.dat": leftovers of a save.
    std::vector<std::string> strayFiles() const {
        std::vector<std::string> names;
        for (const auto& item : std::filesystem::directory_iterator(directory_)) {
            const std::string name = item.path().filename().string();
            if (name != scoreFileName) names.push_back(name);
        }
        return names;
    }

    std::filesystem::path previousDirectory_;
    HighScoreTable previousTable_;
    std::filesystem::path directory_;
};

// A table with a new entry, over an older "scores.dat" that a save must
// replace whole or, when it fails, keep byte for byte.
class SaveFailureTest : public ScoresTest {
protected:
    void SetUp() override {
        ScoresTest::SetUp();
        oldBytes_ = fileBytes(storedEntries);
        writeFile(scoreFileName, oldBytes_);
        loadHighScores();
        insertHighScore("Newcomer", 1000);
    }

    Bytes oldBytes_;
};

