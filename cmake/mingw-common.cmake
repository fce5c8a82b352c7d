# The posix thread model: GoogleTest and std::mutex need it.
set(CMAKE_C_COMPILER ${SYSLIB_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SYSLIB_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${SYSLIB_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${SYSLIB_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# One C++ runtime a process, shared by syslib.dll and the programs that load it (cmake/Runtime.cmake).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-shared-libgcc")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-shared-libgcc")
