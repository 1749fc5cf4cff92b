// Saving "scores.dat" on Windows: a new file beside it, flushed to disk, then
// moved over the old one with a replace (a plain rename onto an existing
// file fails there).
#include <windows.h>

#include <io.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "scores/scores.h"

namespace {

// The system's text for a Windows error code, without its line break.
std::string systemMessage(DWORD error) {
    char text[512] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        error, 0, text, sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.')) {
        message.pop_back();
    }
    return message.empty() ? "error " + std::to_string(error) : message;
}

std::string failed(const char* step, const std::string& reason) {
    return std::string("could not ") + step + ": " + reason;
}

// Writes and flushes the bytes into the file named `name`, which exists.
std::string writeAndFlush(const char* name, const unsigned char* bytes, std::size_t size) {
    std::FILE* file = std::fopen(name, "wb");
    if (file == nullptr) return failed("open the temporary file", std::strerror(errno));
    std::string failure;
    if (std::fwrite(bytes, 1, size, file) != size || std::fflush(file) != 0) {
        failure = failed("write", std::strerror(errno));
    } else if (_commit(_fileno(file)) != 0) {
        failure = failed("flush the file to disk", std::strerror(errno));
    }
    if (std::fclose(file) != 0 && failure.empty()) failure = failed("close", std::strerror(errno));
    return failure;
}

}  // namespace

std::string replaceScoreFile(const unsigned char* bytes, std::size_t size) {
    // A new, empty file with a unique name in the working directory, on the
    // same volume as "scores.dat", so that the move below is a rename.
    char tempName[MAX_PATH] = {};
    if (GetTempFileNameA(".", "sco", 0, tempName) == 0) {
        return failed("create a temporary file", systemMessage(GetLastError()));
    }
    std::string failure = writeAndFlush(tempName, bytes, size);
    // Windows refuses to replace a read-only file, and Wine allows it: the
    // check here keeps a player's write protection on both.
    if (failure.empty()) {
        const DWORD attributes = GetFileAttributesA(scoreFileName);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
            failure = failed("replace the file", systemMessage(ERROR_ACCESS_DENIED));
        } else if (!MoveFileExA(tempName, scoreFileName, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            failure = failed("replace the file", systemMessage(GetLastError()));
        }
    }
    if (!failure.empty()) DeleteFileA(tempName);
    return failure;
}
