# Cross build for 32-bit Windows with Debian's mingw-w64 compilers (the
# posix thread model: the test framework needs std::mutex). The
# door ships as one static console program: the runtime, libstdc++ and
# libgcc go inside it, so its only imports are Windows' own DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(WW_MINGW i686-w64-mingw32)
set(CMAKE_C_COMPILER ${WW_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${WW_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${WW_MINGW}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${WW_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Test programs are run under wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
