# Cross-building for 64-bit Windows with Debian's mingw-w64 (the `windows` preset).
#
# The posix thread model: GCC 12's win32 model has no std::mutex, std::thread or
# std::condition_variable. Everything is linked statically, so the programs need no DLL beyond
# Windows' own (the C++ runtime and winpthreads go into each exe).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_zarava_target x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_zarava_target}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_zarava_target}-g++-posix)
set(CMAKE_RC_COMPILER ${_zarava_target}-windres)

# Libraries and headers come from the target's own tree only, never from the build machine's.
set(CMAKE_FIND_ROOT_PATH /usr/${_zarava_target})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# g++ 12 at -O3 takes a literal joined to a string with + for an overlapping copy (a known false
# alarm of its string code, gone in g++ 13); this target's inlining meets it all over the core.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")

# Tests and checks run the programs under Wine, as a Japanese Windows would (code page 932).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/run-wine)
