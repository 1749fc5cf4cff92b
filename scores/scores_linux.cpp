// Saving "scores.dat" on Linux: a new file beside it, made durable, renamed
// over the old one.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "scores/scores.h"

namespace {

// The new file is written under this name first, then renamed over the old
// one, so that a save cut short never leaves a half-written "scores.dat".
constexpr char tempFileSuffix[] = ".XXXXXX";
constexpr mode_t newFileMode = 0666;  // narrowed by the umask, as a plain open would

// Where a save stopped, for the one line that reports it.
struct SaveFailure {
    const char* step;  // nullptr when the save went through
    int error;         // errno of that step
};

mode_t currentUmask() {
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
}

// Writes the bytes to a new file beside "scores.dat", makes them durable,
// then renames the new file over the old one and makes the rename durable.
// Until the rename the old file is untouched; a failure before it removes
// the new file.
SaveFailure writeScoreFile(const unsigned char* bytes, std::size_t size) {
    std::string tempName = std::string(scoreFileName) + tempFileSuffix;
    const int fd = mkstemp(tempName.data());
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
    if (fchmod(fd, newFileMode & ~currentUmask()) != 0) {
        fail("set the file mode");
    } else if (std::fwrite(bytes, 1, size, file) != size ||
               std::fflush(file) != 0) {
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

}  // namespace

std::string replaceScoreFile(const unsigned char* bytes, std::size_t size) {
    const SaveFailure failure = writeScoreFile(bytes, size);
    if (failure.step == nullptr) return "";
    return std::string("could not ") + failure.step + ": " + std::strerror(failure.error);
}
