# Cross-compiling for 32-bit Windows with Debian's MinGW-w64 (posix threads).
# Programs built here run under Debian's 32-bit Wine (package wine32:i386).
#
# The -posix compiler variants are named explicitly: the plain names are the
# win32-threads build of GCC, whose C++ library has no std::thread or
# std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(VORNE_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# Test programs run through 32-bit Wine, in a prefix of the build tree's own.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh /usr/lib/wine/wine ${CMAKE_BINARY_DIR}/wine-prefix)
