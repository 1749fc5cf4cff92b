// The save's own steps on Linux: the temporary file made with the umask's
// permissions, fsync for durability, and a rename over "scores.dat" made
// durable in its directory; then the leftovers of ended saves are removed.
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

std::string failed(const char* step) { return std::string("could not ") + step + ": " + std::strerror(errno); }

// False only when no process has the id: a process of another user answers
// EPERM, and an id beyond pid_t's range (no save's) is not asked about. An
// id taken by a new process since its save ended keeps that file until the
// new one ends too, which is harmless.
bool processMayRun(std::uint32_t processId) {
    if (processId > static_cast<std::uint32_t>(std::numeric_limits<pid_t>::max())) return true;
    return kill(static_cast<pid_t>(processId), 0) == 0 || errno != ESRCH;
}

}  // namespace

std::uint32_t saverProcessId() { return static_cast<std::uint32_t>(getpid()); }

std::FILE* createTempScoreFile(const char* name) {
    const int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, newFileMode);
    if (fd < 0) return nullptr;
    std::FILE* file = fdopen(fd, "wb");
    if (file == nullptr) {
        const int error = errno;
        close(fd);
        unlink(name);
        errno = error;
    }
    return file;
}

bool syncTempScoreFile(std::FILE* file) { return fsync(fileno(file)) == 0; }

std::string moveTempScoreFile(const char* name) {
    if (std::rename(name, scoreFileName) != 0) return failed("rename");
    // The rename itself lasts only once its directory is on disk too.
    const int directory = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory < 0) return failed("open the directory to sync it");
    std::string failure;
    if (fsync(directory) != 0) failure = failed("sync the directory");
    close(directory);
    return failure;
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
