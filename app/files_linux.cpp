// Opening the game's files on Linux: the name as it is.
#include "app/app.h"

std::FILE* openRegularFile(const char* name) { return openPosixRegularFile(name); }
