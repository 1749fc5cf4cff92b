// scores/: the high score table, its file "scores.dat" and the entry of a
// name. Owns `highScoreTable` and the name-entry state; reads the game
// state's score.
//
// "scores.dat" holds the eleven entries back to back in table order, with no
// header: each record is the 100 name bytes, then the score as a signed
// 32-bit little-endian integer. Records are read and written field by field,
// so the layout does not depend on the machine's byte order or padding.
//
// A save writes the new table to ".scores.dat.<process id>.tmp" beside
// "scores.dat" (in the same directory, so that the rename over it is atomic)
// and then renames it. The leading dot and the ".tmp" ending keep the form
// apart from any name a player gives a copy ("scores.dat.backup",
// "scores.dat.1"); the process id tells the leftover of a save killed before
// its rename, whose process has ended, from the file of another copy of the
// game saving now. Each save removes the leftovers of ended processes.
//
// In a page the working directory is a file system in memory, which the page
// keeps in the browser's IndexedDB: read in before the program starts, and
// stored again after each save's rename (scores_web.cpp, dist/web/pre.js).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

constexpr int highScoreCount = 11;   // entries in the table and records in the file
constexpr int nameFieldSize = 100;   // bytes of a name in memory and on file
constexpr int maxNameLength = 11;    // characters a player may type
constexpr std::size_t scoreFieldSize = 4;  // bytes of a score on file
constexpr std::size_t scoreRecordSize = nameFieldSize + scoreFieldSize;      // 104
constexpr std::size_t scoreFileSize = highScoreCount * scoreRecordSize;      // 1144
constexpr char scoreFileName[] = "scores.dat";           // in the working directory
constexpr char defaultHighScoreName[] = "Default User";  // every entry's name until loaded over

struct HighScoreEntry {
    char name[nameFieldSize];  // zero-terminated, unless all 100 bytes are name
    std::int32_t score;
};

struct HighScoreTable {
    HighScoreEntry entries[highScoreCount];  // best first, as sorted by insertion
};

extern HighScoreTable highScoreTable;        // loaded from "scores.dat" before main
extern bool enteringName;                    // the name prompt is open
extern char nameBuffer[maxNameLength + 1];   // the name typed so far, zero-terminated
extern std::int32_t nameLength;              // characters in nameBuffer
extern char pendingCharacter;                // a controller's character at the cursor, 0 while none

// The name of an entry of `highScoreTable`: up to its first zero byte, and
// never more than its 100 bytes.
std::string_view highScoreName(const HighScoreEntry& entry);
// Reports that "scores.dat" `what` ("cannot be read: REASON", say), and that
// the high scores start from the defaults.
void reportUnreadableScoreFile(const std::string& what);
// Fills `highScoreTable` with defaults, then reads "scores.dat" over it, as
// the game does once before main. Only the tests call it, to load a file they wrote.
void loadHighScores();
// Puts name and score in the last entry of `highScoreTable` and sorts it.
void insertHighScore(const char* name, std::int32_t score);
// Writes `highScoreTable` to "scores.dat", replacing the old file only once
// the new one is whole; a failure leaves the old file and is reported. Then
// removes the temporary files of ended saves.
void saveHighScores();
// Writes the file's bytes to "scores.dat" through this process's temporary
// file, flushed to disk and then put in the old one's place, so that a
// failure at any step leaves the old file whole. Empty on success, else what
// failed: "could not STEP: REASON".
std::string replaceScoreFile(const unsigned char* bytes, std::size_t size);
// The steps of that save which differ by system, one file per platform
// (scores_<platform>.cpp):
//
// The id of this process, which names its temporary file.
std::uint32_t saverProcessId();
// Creates the temporary file `name` afresh for binary writing; nullptr, with errno, when it cannot.
std::FILE* createTempScoreFile(const char* name);
// Makes what was written and flushed to `file` durable on disk; false, with errno, when it cannot.
bool syncTempScoreFile(std::FILE* file);
// Puts the whole, durable temporary file `name` in the place of
// "scores.dat" at once. Empty on success, else "could not STEP: REASON".
std::string moveTempScoreFile(const char* name);
// The name of the temporary file that the process `processId` saves through.
std::string tempScoreFileName(std::uint32_t processId);
// A wildcard ("*" for the id) that every temporary file's name matches, and
// some other names too: for listing the directory.
std::string tempScoreFilePattern();
// The process id in a temporary file's name (decimal, without a sign or a
// leading zero); nothing for a name of any other form.
std::optional<std::uint32_t> tempScoreFileProcess(std::string_view name);
// Removes the temporary files in the working directory whose process has
// ended, and no others; a file it cannot remove stays, unreported. One file
// per platform.
void removeStaleTempScoreFiles();
// At game over: opens the name prompt when gameState.score beats the last entry.
void offerNameEntry();
// A key typed at the name prompt: edits `nameBuffer`, or commits the name on Enter.
void handleNameEntryKey(unsigned char key);
// A controller's Up (+1) or Down (-1) at the name prompt: the pending
// character steps through A-Z, 0-9 and space; the first shows "A".
void stepPendingCharacter(int step);
// A controller takes the pending character into the name, when there is
// room, and the cursor moves on; with none pending, "A" shows first.
void takePendingCharacter();
