set(CMAKE_C_COMPILER ${ZOR_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZOR_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ZOR_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ZOR_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Both builds run their programs under the project's Wine root, one mount
# namespace per call (scripts/wine).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine)
