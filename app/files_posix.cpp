// Opening the game's files with POSIX calls without ever waiting on one: the
// opener of Linux and of the page.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "app/app.h"

std::FILE* openPosixRegularFile(const char* name) {
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    const int fd = open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat status {};
    int error = 0;
    if (fstat(fd, &status) != 0) {
        error = errno;
    } else if (!S_ISREG(status.st_mode)) {
        error = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
    } else if (fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        error = errno;
    }
    std::FILE* file = error == 0 ? fdopen(fd, "rb") : nullptr;
    if (file == nullptr) {
        if (error == 0) error = errno;
        close(fd);
        errno = error;
    }
    return file;
}
