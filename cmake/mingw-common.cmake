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

# Test programs run under Wine; the test presets give it a private prefix.
find_program(TONVO_WINE NAMES wine)
if(TONVO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TONVO_WINE})
endif()
