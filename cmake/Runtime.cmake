# The C++ runtime as DLLs, one copy a process. The engine catches the library's exceptions by type: on
# i686 (DWARF unwinding) an exception thrown in syslib.dll reaches the engine's frames only when both
# modules unwind through the same libgcc, and the exception bookkeeping of libstdc++ (caught and uncaught
# exceptions) is only right when both use one copy of it. The DLLs are copied beside the programs of the
# build tree (target syslib_runtime, which syslib depends on).
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(SYSLIB_UNWINDER libgcc_s_dw2-1.dll)
else()
  set(SYSLIB_UNWINDER libgcc_s_seh-1.dll)
endif()
set(SYSLIB_RUNTIME_DLLS)
foreach(dll ${SYSLIB_UNWINDER} libstdc++-6.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
    message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not know ${dll}: the runtime DLLs of the toolchain are missing")
  endif()
  get_filename_component(path "${path}" REALPATH)
  list(APPEND SYSLIB_RUNTIME_DLLS "${path}")
  add_custom_command(OUTPUT ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${dll}
                     COMMAND ${CMAKE_COMMAND} -E copy_if_different "${path}" ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${dll}
                     DEPENDS "${path}")
  list(APPEND runtime_copies ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${dll})
endforeach()
add_custom_target(syslib_runtime DEPENDS ${runtime_copies})
