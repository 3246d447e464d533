# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (posix threads).
# Programs built here run under Debian's 64-bit Wine, which is what lets the
# unit tests run on Linux.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(VORNE_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# Test programs run through Wine, in a prefix of the build tree's own.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh /usr/lib/wine/wine64 ${CMAKE_BINARY_DIR}/wine-prefix)
