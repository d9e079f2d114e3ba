# Windows 32-bit (i686) with Debian's mingw-w64 compilers, POSIX threading model.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TONVO_MINGW_TRIPLE i686-w64-mingw32)
set(TONVO_WINE_LOADER_NAME wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
