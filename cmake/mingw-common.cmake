# The posix thread model: GoogleTest and std::mutex need it.
set(CMAKE_C_COMPILER ${SYSLIB_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SYSLIB_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${SYSLIB_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${SYSLIB_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# No mingw runtime DLL may be needed next to the programs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
