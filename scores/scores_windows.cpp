// The save's own steps on Windows: the temporary file flushed to disk with
// _commit, then moved over "scores.dat" with a replace (a plain rename onto
// an existing file fails there); then the leftovers of ended saves are removed.
#include <windows.h>

#include <io.h>

#include <cstdio>
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

std::uint32_t saverProcessId() { return GetCurrentProcessId(); }

std::FILE* createTempScoreFile(const char* name) { return std::fopen(name, "wb"); }

bool syncTempScoreFile(std::FILE* file) { return _commit(_fileno(file)) == 0; }

std::string moveTempScoreFile(const char* name) {
    // The temporary file is in the working directory, on the same volume as
    // "scores.dat", so the move is a rename. Windows refuses to replace a
    // read-only file, and Wine allows it: the check here keeps a player's
    // write protection on both.
    const DWORD attributes = GetFileAttributesA(scoreFileName);
    DWORD error = ERROR_SUCCESS;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        error = ERROR_ACCESS_DENIED;
    } else if (!MoveFileExA(name, scoreFileName, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = GetLastError();
    }
    return error == ERROR_SUCCESS ? "" : "could not replace the file: " + systemMessage(error);
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
