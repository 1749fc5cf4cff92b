// Saving "scores.dat" on Windows: a new file beside it, flushed to disk, then
// moved over the old one with a replace (a plain rename onto an existing
// file fails there); then the leftovers of ended saves are removed.
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

// Writes and flushes the bytes into a new file named `name`.
std::string writeAndFlush(const char* name, const unsigned char* bytes, std::size_t size) {
    std::FILE* file = std::fopen(name, "wb");
    if (file == nullptr) return failed("create a temporary file", std::strerror(errno));
    std::string failure;
    if (std::fwrite(bytes, 1, size, file) != size || std::fflush(file) != 0) {
        failure = failed("write", std::strerror(errno));
    } else if (_commit(_fileno(file)) != 0) {
        failure = failed("flush the file to disk", std::strerror(errno));
    }
    if (std::fclose(file) != 0 && failure.empty()) failure = failed("close", std::strerror(errno));
    return failure;
}

// False only when the process has ended: no process has the id any more, or
// one that has ended is still held open. An id taken by a new process since
// its save ended keeps that file until the new one ends too, which is
// harmless; so does a process that ended with the exit code STILL_ACTIVE.
bool processMayRun(std::uint32_t processId) {
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (process == nullptr) return GetLastError() != ERROR_INVALID_PARAMETER;
    DWORD exitCode = 0;
    const bool ended = GetExitCodeProcess(process, &exitCode) && exitCode != STILL_ACTIVE;
    CloseHandle(process);
    return !ended;
}

}  // namespace

std::string replaceScoreFile(const unsigned char* bytes, std::size_t size) {
    // This process's temporary file in the working directory, on the same
    // volume as "scores.dat", so that the move below is a rename. A file
    // already at this name is this process's own leftover or that of an
    // ended process that had its id: no save is writing it.
    const std::string tempName = tempScoreFileName(GetCurrentProcessId());
    DeleteFileA(tempName.c_str());
    std::string failure = writeAndFlush(tempName.c_str(), bytes, size);
    // Windows refuses to replace a read-only file, and Wine allows it: the
    // check here keeps a player's write protection on both.
    if (failure.empty()) {
        const DWORD attributes = GetFileAttributesA(scoreFileName);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
            failure = failed("replace the file", systemMessage(ERROR_ACCESS_DENIED));
        } else if (!MoveFileExA(tempName.c_str(), scoreFileName, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            failure = failed("replace the file", systemMessage(GetLastError()));
        }
    }
    if (!failure.empty()) DeleteFileA(tempName.c_str());
    return failure;
}

void removeStaleTempScoreFiles() {
    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA(tempScoreFilePattern().c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::optional<std::uint32_t> processId = tempScoreFileProcess(found.cFileName);
        if (processId && !processMayRun(*processId)) DeleteFileA(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}
