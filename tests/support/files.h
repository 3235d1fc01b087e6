// Files for the unit tests: whole-file reads and writes, and fresh temporary
// names. mkdtemp is POSIX only; for the Windows run it is made here.
#pragma once
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#ifdef _WIN32
#include <direct.h>
#include <io.h>
inline char* mkdtemp(char* name) { return _mktemp(name) && _mkdir(name) == 0 ? name : nullptr; }
#endif

inline std::string slurp(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

inline void spill(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

// A new file under /tmp holding text; its path.
inline std::string tempFile(const std::string& text = "") {
    char name[] = "/tmp/wwtestXXXXXX";
    close(mkstemp(name));
    spill(name, text);
    return name;
}
