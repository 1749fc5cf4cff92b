// The save's own steps in a page: the working directory is a file system in
// memory that the page keeps in the browser's IndexedDB (dist/web/pre.js).
// The temporary file is written and moved into place there as anywhere; after
// the move the page stores the directory, in the background, and says so in
// an error box should the browser refuse. A page whose stored files could not
// be read at start-up says so as the desktop says an unreadable "scores.dat".
#include <emscripten.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "scores/scores.h"

namespace {

// Has the page store the working directory in IndexedDB.
EM_JS(void, storeSavedFiles, (), { Module.storeSavedFiles(); });

// Copies into `buffer` why the browser could not give the stored files back
// at start-up; returns its length, 0 when it could.
EM_JS(int, storedFilesFailure, (char* buffer, int size), {
    return stringToUTF8(Module.storedFilesFailure || "", buffer, size);
});

constexpr int reasonSize = 256;  // bytes of the browser's reason kept, its zero included

// Before main, as the desktop reads "scores.dat": the table then starts from
// the defaults, for the page found no file.
bool reportUnreadableStore() {
    char reason[reasonSize];
    if (storedFilesFailure(reason, sizeof reason) == 0) return false;
    reportUnreadableScoreFile(std::string("cannot be read: ") + reason);
    return true;
}
[[maybe_unused]] const bool storeReadReported = reportUnreadableStore();

}  // namespace

std::uint32_t saverProcessId() { return static_cast<std::uint32_t>(getpid()); }

std::FILE* createTempScoreFile(const char* name) { return std::fopen(name, "wbx"); }

// Memory keeps nothing: the store after the move makes the save last.
bool syncTempScoreFile(std::FILE*) { return true; }

std::string moveTempScoreFile(const char* name) {
    if (std::rename(name, scoreFileName) != 0) return std::string("could not rename: ") + std::strerror(errno);
    storeSavedFiles();
    return "";
}

// A page's file system is its own, and every page saves through one name,
// which each save removes before it writes: no other leftover can be there.
void removeStaleTempScoreFiles() {}
