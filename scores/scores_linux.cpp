// Saving "scores.dat" on Linux: a new file beside it, made durable, renamed
// over the old one; then the leftovers of ended saves are removed.
#include <fcntl.h>
#include <glob.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "scores/scores.h"

namespace {

constexpr mode_t newFileMode = 0666;  // narrowed by the umask, as a plain open would

// Where a save stopped, for the one line that reports it.
struct SaveFailure {
    const char* step;  // nullptr when the save went through
    int error;         // errno of that step
};

// Writes the bytes to this process's temporary file, makes them durable,
// then renames the file over "scores.dat" and makes the rename durable.
// Until the rename the old file is untouched; a failure before it removes
// the new file.
SaveFailure writeScoreFile(const unsigned char* bytes, std::size_t size) {
    const std::string tempName = tempScoreFileName(static_cast<std::uint32_t>(getpid()));
    // A file already at this name is this process's own leftover (a removal
    // that failed) or that of an ended process that had its id: no save is
    // writing it.
    unlink(tempName.c_str());
    const int fd = open(tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, newFileMode);
    if (fd < 0) return {"create a temporary file", errno};
    std::FILE* file = fdopen(fd, "wb");
    if (file == nullptr) {
        const int error = errno;
        close(fd);
        unlink(tempName.c_str());
        return {"open the temporary file", error};
    }
    SaveFailure failure{nullptr, 0};
    const auto fail = [&failure](const char* step) {
        if (failure.step == nullptr) failure = {step, errno};
    };
    if (std::fwrite(bytes, 1, size, file) != size || std::fflush(file) != 0) {
        fail("write");
    } else if (fsync(fd) != 0) {
        fail("sync the file");
    }
    if (std::fclose(file) != 0) fail("close");
    if (failure.step == nullptr && std::rename(tempName.c_str(), scoreFileName) != 0) fail("rename");
    if (failure.step != nullptr) {
        unlink(tempName.c_str());
        return failure;
    }

    const int directory = open(".", O_RDONLY | O_DIRECTORY);
    if (directory < 0) return {"open the directory to sync it", errno};
    if (fsync(directory) != 0) fail("sync the directory");
    close(directory);
    return failure;
}

// False only when no process has the id: a process of another user answers
// EPERM, and an id beyond pid_t's range (no save's) is not asked about. An
// id taken by a new process since its save ended keeps that file until the
// new one ends too, which is harmless.
bool processMayRun(std::uint32_t processId) {
    if (processId > static_cast<std::uint32_t>(std::numeric_limits<pid_t>::max())) return true;
    return kill(static_cast<pid_t>(processId), 0) == 0 || errno != ESRCH;
}

}  // namespace

std::string replaceScoreFile(const unsigned char* bytes, std::size_t size) {
    const SaveFailure failure = writeScoreFile(bytes, size);
    if (failure.step == nullptr) return "";
    return std::string("could not ") + failure.step + ": " + std::strerror(failure.error);
}

void removeStaleTempScoreFiles() {
    glob_t found{};
    if (glob(tempScoreFilePattern().c_str(), GLOB_NOSORT, nullptr, &found) == 0) {
        for (std::size_t i = 0; i < found.gl_pathc; ++i) {
            const std::optional<std::uint32_t> processId = tempScoreFileProcess(found.gl_pathv[i]);
            if (processId && !processMayRun(*processId)) unlink(found.gl_pathv[i]);
        }
    }
    globfree(&found);
}
