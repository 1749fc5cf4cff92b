// Opening the game's files in a page: the working directory holds the
// player's own (the high scores, kept in the browser's storage), and a name
// it lacks is looked up among the site's files (the block images), which the
// page loaded beside it.
#include <cerrno>
#include <string>

#include "app/app.h"

std::FILE* openRegularFile(const char* name) {
    std::FILE* file = openPosixRegularFile(name);
    if (file != nullptr || errno != ENOENT || name[0] == '/') return file;
    return openPosixRegularFile((std::string(siteDirectory) + "/" + name).c_str());
}
