# Windows 64-bit (x86_64) with Debian's mingw-w64 compilers, POSIX threading model.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TONVO_MINGW_TRIPLE x86_64-w64-mingw32)
set(TONVO_WINE_LOADER_NAME wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
