// scores/: the high score table, its file "scores.dat" and the entry of a
// name. Owns `highScoreTable` and the name-entry state; reads the game
// state's score.
#pragma once

#include <cstdint>

constexpr int highScoreCount = 11;
constexpr int nameFieldSize = 100;  // bytes of a name in memory and on file
constexpr int maxNameLength = 11;   // characters a player may type
constexpr char scoreFileName[] = "scores.dat";

struct HighScoreEntry {
    char name[nameFieldSize];  // zero-terminated, unless all 100 bytes are name
    std::int32_t score;
};

struct HighScoreTable {
    HighScoreEntry entries[highScoreCount];  // best first, as sorted by insertion
};

extern HighScoreTable highScoreTable;
extern bool enteringName;                    // the name prompt is open
extern char nameBuffer[maxNameLength + 1];   // the name typed so far, zero-terminated
extern std::int32_t nameLength;              // characters in nameBuffer

// Fills `highScoreTable` with defaults, then reads "scores.dat" over it.
void loadHighScores();
// Puts name and score in the last entry of `highScoreTable` and sorts it.
void insertHighScore(const char* name, std::int32_t score);
// Writes `highScoreTable` to "scores.dat", replacing the old file only once the new one is whole.
void saveHighScores();
// At game over: opens the name prompt when gameState.score beats the last entry.
void offerNameEntry();
// A key typed at the name prompt: edits `nameBuffer`, or commits the name on Enter.
void handleNameEntryKey(unsigned char key);
