# Cross-compiling for 32-bit Windows with Debian's MinGW-w64 (posix threads).
#
# The -posix compiler variants are named explicitly: the plain names are the
# win32-threads build of GCC, whose C++ library has no std::thread or
# std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(VORNE_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
