# The -posix compilers carry the pthread thread model; the win32 model has no
# std::mutex, which GoogleTest needs.
find_program(ORVO_CC ${ORVO_TRIPLE}-gcc-posix)
find_program(ORVO_CXX ${ORVO_TRIPLE}-g++-posix)
find_program(ORVO_RC ${ORVO_TRIPLE}-windres)
find_program(ORVO_WIDL ${ORVO_TRIPLE}-widl)
if(NOT ORVO_CC OR NOT ORVO_CXX OR NOT ORVO_RC)
  message(FATAL_ERROR "MinGW-w64 cross compilers for ${ORVO_TRIPLE} (posix thread model) not found")
endif()
set(CMAKE_C_COMPILER ${ORVO_CC})
set(CMAKE_CXX_COMPILER ${ORVO_CXX})
set(CMAKE_RC_COMPILER ${ORVO_RC})
set(CMAKE_FIND_ROOT_PATH /usr/${ORVO_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Tests run under the Wine loader of their own architecture: wine64 given a
# PE32 program prints nothing and exits 0, so a wrong pairing would pass.
if(ORVO_TRIPLE STREQUAL "x86_64-w64-mingw32" AND EXISTS /usr/lib/wine/wine64)
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
elseif(ORVO_TRIPLE STREQUAL "i686-w64-mingw32" AND EXISTS /usr/lib/wine/wine)
  # The 32-bit loader needs a 32-bit prefix of its own; it refuses a 64-bit one.
  set(ORVO_WINE32_PREFIX "$ENV{HOME}/.wine-orvo32" CACHE PATH "Wine prefix (win32) the 32-bit tests run in")
  set(CMAKE_CROSSCOMPILING_EMULATOR env WINEARCH=win32 WINEPREFIX=${ORVO_WINE32_PREFIX} /usr/lib/wine/wine)
endif()
