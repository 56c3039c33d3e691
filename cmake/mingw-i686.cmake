# 32-bit Windows build: the program that is shipped. Its tests run under
# Wine's WoW64 mode, where the machine runs 32-bit code at all.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ZOR_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
