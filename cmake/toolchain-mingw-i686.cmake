# Cross-compiling for 32-bit Windows (the release build) with MinGW-w64; tests
# run under the 32-bit Wine loader in a win32 prefix.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ORVO_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
