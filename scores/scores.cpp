// The high score table, its file and the name prompt. No OpenGL.
#include "scores/scores.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "app/app.h"
#include "sound/sound.h"

namespace {

// Ten passes of adjacent compare-and-swap move the new last entry to the top
// if need be, whatever order the table was loaded in.
constexpr int sortPasses = highScoreCount - 1;

// What a controller's Up and Down step through at the name prompt, in order.
constexpr char pendingCharacters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 ";

constexpr unsigned bitsPerByte = 8;
constexpr unsigned byteMask = 0xff;

using ScoreFileBytes = std::array<unsigned char, scoreFileSize>;

// A temporary file's name is this prefix, the process id and the suffix.
std::string tempNamePrefix() {
    return std::string(".") + scoreFileName + ".";
}
constexpr std::string_view tempNameSuffix = ".tmp";

// The bytes of the name, without reading more than 100 of them.
std::size_t boundedNameLength(const char* name) {
    return strnlen(name, nameFieldSize);
}

// Sets an entry's name; the bytes after it are zeros, so nothing left over
// from an earlier name can reach the file.
void setEntryName(HighScoreEntry& entry, std::string_view name) {
    std::fill(std::begin(entry.name), std::end(entry.name), '\0');
    std::copy(name.begin(), name.end(), entry.name);
}

HighScoreTable defaultHighScoreTable() {
    HighScoreTable table{};
    for (HighScoreEntry& entry : table.entries) {
        setEntryName(entry, defaultHighScoreName);
        entry.score = 0;
    }
    return table;
}

// A signed 32-bit value from its two's complement bits, without relying on
// the implementation's narrowing conversion.
std::int32_t int32FromBits(std::uint32_t bits) {
    constexpr std::uint32_t signBit = 0x80000000u;
    if (bits < signBit) return static_cast<std::int32_t>(bits);
    return static_cast<std::int32_t>(bits - signBit) + INT32_MIN;
}

ScoreFileBytes encodeTable(const HighScoreTable& table) {
    ScoreFileBytes bytes{};
    for (int i = 0; i < highScoreCount; ++i) {
        const HighScoreEntry& entry = table.entries[i];
        unsigned char* record = bytes.data() + i * scoreRecordSize;
        const std::string_view name = highScoreName(entry);
        std::copy(name.begin(), name.end(), record);
        const auto bits = static_cast<std::uint32_t>(entry.score);
        for (std::size_t b = 0; b < scoreFieldSize; ++b) {
            record[nameFieldSize + b] = static_cast<unsigned char>((bits >> (b * bitsPerByte)) & byteMask);
        }
    }
    return bytes;
}

HighScoreTable decodeTable(const ScoreFileBytes& bytes) {
    HighScoreTable table{};
    for (int i = 0; i < highScoreCount; ++i) {
        HighScoreEntry& entry = table.entries[i];
        const unsigned char* record = bytes.data() + i * scoreRecordSize;
        std::copy(record, record + nameFieldSize, entry.name);
        std::uint32_t bits = 0;
        for (std::size_t b = 0; b < scoreFieldSize; ++b) {
            bits |= static_cast<std::uint32_t>(record[nameFieldSize + b]) << (b * bitsPerByte);
        }
        entry.score = int32FromBits(bits);
    }
    return table;
}

// The defaults with the file's bytes laid over them from the front: a short
// file replaces only what it holds, the last record it reaches perhaps in
// part; bytes past the table's size are ignored. A file that cannot be
// opened or read, or is no regular file, leaves the defaults whole; only a
// missing one goes unreported.
HighScoreTable readHighScoreFile() {
    ScoreFileBytes bytes = encodeTable(defaultHighScoreTable());
    std::FILE* file = openRegularFile(scoreFileName);
    if (file == nullptr) {
        const int error = errno;
        if (error == ENOENT) return decodeTable(bytes);
        const bool irregular = error == EISDIR || error == EINVAL;
        reportUnreadableScoreFile(irregular ? "is not a regular file"
                                            : std::string("cannot be read: ") + std::strerror(error));
        return decodeTable(bytes);
    }
    ScoreFileBytes read{};
    const std::size_t count = std::fread(read.data(), 1, read.size(), file);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (!failed) std::copy(read.begin(), read.begin() + count, bytes.begin());
    return decodeTable(bytes);
}

}  // namespace

// Loaded during static initialisation, so the table is ready before main.
HighScoreTable highScoreTable = readHighScoreFile();
bool enteringName = false;
char nameBuffer[maxNameLength + 1] = {};
std::int32_t nameLength = 0;
char pendingCharacter = '\0';

std::string_view highScoreName(const HighScoreEntry& entry) {
    return std::string_view(entry.name, boundedNameLength(entry.name));
}

void reportUnreadableScoreFile(const std::string& what) {
    reportError((std::string(scoreFileName) + " " + what + "; the high scores start from the defaults.").c_str());
}

void loadHighScores() {
    highScoreTable = readHighScoreFile();
}

void insertHighScore(const char* name, std::int32_t score) {
    HighScoreEntry& last = highScoreTable.entries[highScoreCount - 1];
    setEntryName(last, std::string_view(name, boundedNameLength(name)));
    last.score = score;
    for (int pass = 0; pass < sortPasses; ++pass) {
        for (int i = 0; i + 1 < highScoreCount; ++i) {
            HighScoreEntry& upper = highScoreTable.entries[i];
            HighScoreEntry& lower = highScoreTable.entries[i + 1];
            if (upper.score < lower.score) std::swap(upper, lower);
        }
    }
}

std::string replaceScoreFile(const unsigned char* bytes, std::size_t size) {
    const auto failed = [](const char* step) { return std::string("could not ") + step + ": " + std::strerror(errno); };
    const std::string tempName = tempScoreFileName(saverProcessId());
    // A file already at this name is this process's own leftover (a removal
    // that failed) or that of an ended process that had its id: no save is
    // writing it.
    std::remove(tempName.c_str());
    std::FILE* file = createTempScoreFile(tempName.c_str());
    if (file == nullptr) return failed("create a temporary file");
    std::string failure;
    if (std::fwrite(bytes, 1, size, file) != size || std::fflush(file) != 0) {
        failure = failed("write");
    } else if (!syncTempScoreFile(file)) {
        failure = failed("sync the file");
    }
    if (std::fclose(file) != 0 && failure.empty()) failure = failed("close");
    // Until the move the old file is untouched.
    if (failure.empty()) failure = moveTempScoreFile(tempName.c_str());
    if (!failure.empty()) std::remove(tempName.c_str());
    return failure;
}

void saveHighScores() {
    const ScoreFileBytes bytes = encodeTable(highScoreTable);
    const std::string failure = replaceScoreFile(bytes.data(), bytes.size());
    if (!failure.empty()) reportError((std::string(scoreFileName) + ": " + failure).c_str());
    removeStaleTempScoreFiles();
}

std::string tempScoreFileName(std::uint32_t processId) {
    return tempNamePrefix() + std::to_string(processId) + std::string(tempNameSuffix);
}

std::string tempScoreFilePattern() {
    return tempNamePrefix() + "*" + std::string(tempNameSuffix);
}

std::optional<std::uint32_t> tempScoreFileProcess(std::string_view name) {
    const std::string prefix = tempNamePrefix();
    if (name.size() < prefix.size() + tempNameSuffix.size() || name.substr(0, prefix.size()) != prefix ||
        name.substr(name.size() - tempNameSuffix.size()) != tempNameSuffix) {
        return std::nullopt;
    }
    const std::string_view digits = name.substr(prefix.size(), name.size() - prefix.size() - tempNameSuffix.size());
    if (digits.empty() || digits.front() == '0') return std::nullopt;
    std::uint32_t processId = 0;
    const std::from_chars_result read = std::from_chars(digits.data(), digits.data() + digits.size(), processId);
    if (read.ec != std::errc{} || read.ptr != digits.data() + digits.size()) return std::nullopt;
    return processId;
}

void offerNameEntry() {
    enteringName = gameState.score > highScoreTable.entries[highScoreCount - 1].score;
    if (!enteringName) return;
    std::fill(std::begin(nameBuffer), std::end(nameBuffer), '\0');
    nameLength = 0;
    pendingCharacter = '\0';
}

void stepPendingCharacter(int step) {
    const std::string_view characters = pendingCharacters;
    const std::size_t at = characters.find(pendingCharacter);
    if (pendingCharacter == '\0' || at == std::string_view::npos) {
        pendingCharacter = characters.front();
        return;
    }
    const auto count = static_cast<int>(characters.size());
    pendingCharacter = characters[static_cast<std::size_t>((static_cast<int>(at) + step % count + count) % count)];
}

void takePendingCharacter() {
    if (pendingCharacter == '\0') {
        pendingCharacter = pendingCharacters[0];
        return;
    }
    if (nameLength >= maxNameLength) return;
    handleNameEntryKey(static_cast<unsigned char>(pendingCharacter));
    pendingCharacter = '\0';
}

void handleNameEntryKey(unsigned char key) {
    switch (key) {
    case keyBackspace:
        if (nameLength > 0) {
            --nameLength;
            nameBuffer[nameLength] = '\0';
        }
        break;
    case keyEnter:
        if (nameLength > 0) {
            cueSound(Sound::NameEntered);
            insertHighScore(nameBuffer, gameState.score);
            saveHighScores();
        }
        enteringName = false;
        break;
    default:
        if (nameLength < maxNameLength) {
            nameBuffer[nameLength] = static_cast<char>(key);
            ++nameLength;
            nameBuffer[nameLength] = '\0';
            cueSound(Sound::NameCharacter);
        }
        break;
    }
}
