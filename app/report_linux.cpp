// The error reporter on Linux: one line on standard error.
#include <cstdio>

#include "app/app.h"

void reportError(const char* message) { std::fprintf(stderr, "%s: %s\n", programName, message); }
