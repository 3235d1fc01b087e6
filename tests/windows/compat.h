// POSIX calls the shared unit test files use, for the Windows build.
#pragma once
#include <cstdlib>
#include <direct.h>
#include <io.h>

inline char* mkdtemp(char* name) { return _mktemp(name) && _mkdir(name) == 0 ? name : nullptr; }
