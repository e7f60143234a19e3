# The -posix compilers give std::thread and std::mutex; -static links libstdc++, libgcc and
# winpthread into each program so no MinGW DLL is needed at run time.
set(CMAKE_C_COMPILER ${KESTREL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KESTREL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KESTREL_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KESTREL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
