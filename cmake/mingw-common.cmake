# Shared part of the mingw-w64 toolchain files. The runtime (libstdc++, libgcc, winpthread) is
# linked statically so the binaries need system DLLs only.
set(CMAKE_C_COMPILER ${TONVO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TONVO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TONVO_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TONVO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# Test programs run under Wine, started through the loader of their own architecture (Debian
# keeps both in /usr/lib/wine). The plain `wine` wrapper always prefers the 32-bit loader when
# it is installed, and some kernels cannot execute 32-bit programs at all, which would stop the
# 64-bit tests too. run-under-wine.sh sets WINELOADER, which tells Wine which loader to use for
# the processes it starts itself, and stops Wine's server when the program ends. The test
# presets give each architecture a private prefix and home.
find_program(TONVO_WINE_LOADER NAMES ${TONVO_WINE_LOADER_NAME} HINTS /usr/lib/wine)
if(TONVO_WINE_LOADER)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/run-under-wine.sh
                                    ${TONVO_WINE_LOADER})
endif()
