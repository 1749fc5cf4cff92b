// Opening the game's files on Windows, only when they are regular files.
#include <sys/stat.h>

#include <cerrno>

#include "app/app.h"

std::FILE* openRegularFile(const char* name) {
    // Opening a directory fails with EACCES, and a device name ("CON", "NUL")
    // opens a device: the kind is checked before the open, and again on the
    // open file, so that nothing is read from anything else.
    struct _stat64 status {};
    if (_stat64(name, &status) != 0) return nullptr;
    if ((status.st_mode & _S_IFMT) != _S_IFREG) {
        errno = (status.st_mode & _S_IFMT) == _S_IFDIR ? EISDIR : EINVAL;
        return nullptr;
    }
    std::FILE* file = std::fopen(name, "rb");
    if (file == nullptr) return nullptr;
    if (_fstat64(_fileno(file), &status) != 0 || (status.st_mode & _S_IFMT) != _S_IFREG) {
        std::fclose(file);
        errno = EINVAL;
        return nullptr;
    }
    return file;
}
