# Cross build of retime.exe for 64-bit Windows on Debian, with the MinGW-w64
# "posix" compilers (their libstdc++ has std::thread) and wine to run what
# is built. Every library is linked statically, so retime.exe needs no DLL
# beyond those every Windows has.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(RETIME_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${RETIME_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RETIME_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${RETIME_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${RETIME_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Debian installs the 64-bit loader here and puts no wine64 on PATH.
find_program(RETIME_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT RETIME_WINE)
  find_program(RETIME_WINE NAMES wine)
endif()
if(RETIME_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${RETIME_WINE})
endif()
