# The package an engine team links: syslib.dll with its import library and the C++ runtime it shares with
# its host, the public headers, and a CMake package that gives the imported target syslib::syslib.
# Which headers are public, and why, is written down in docs/architecture.md.
include(CMakePackageConfigHelpers)

set(SYSLIB_PUBLIC_HEADERS
  framework/iaiter.h framework/iaptr.h framework/iastring.h framework/logbook.h framework/progressobserver.h
  syslib/common/syerrorhandler.h syslib/common/syexcept.h syslib/common/syexport.h syslib/common/syfactory.h
  syslib/common/sygeneric.h
  syslib/timer/sytime.h syslib/timer/sytimediff.h syslib/timer/sytimer.h syslib/timer/sytimermgt.h
  syslib/process/syargs.h syslib/process/syprocessenv.h syslib/process/syprocessmgt.h
  syslib/process/sysimpleprocess.h syslib/process/sytask.h syslib/process/sytaskio.h syslib/process/sytasklist.h
  syslib/account/syaccount.h syslib/account/syaccountmgt.h syslib/account/syaccountptr.h syslib/account/syacl.h
  syslib/account/syaclexpression.h syslib/account/syaclright.h
  syslib/filesystem/sydirectory.h syslib/filesystem/syfile.h syslib/filesystem/syfilesystemmgt.h
  syslib/filesystem/syfsexport.h syslib/filesystem/syfsmount.h syslib/filesystem/syfspath.h
  syslib/filesystem/synode.h syslib/filesystem/sypath.h syslib/filesystem/sysize.h
  syslib/system/sysysteminfo.h syslib/system/sysystemmgt.h
  syslib/network/syhostsentry.h syslib/network/synetworkmgt.h syslib/network/syresolver.h)

target_include_directories(syslib INTERFACE $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}> $<INSTALL_INTERFACE:include>)
install(TARGETS syslib EXPORT syslibTargets RUNTIME DESTINATION bin ARCHIVE DESTINATION lib)
install(FILES ${SYSLIB_RUNTIME_DLLS} DESTINATION bin)
foreach(header ${SYSLIB_PUBLIC_HEADERS})
  get_filename_component(folder ${header} DIRECTORY)
  install(FILES ${PROJECT_SOURCE_DIR}/${header} DESTINATION include/${folder})
endforeach()
install(EXPORT syslibTargets NAMESPACE syslib:: DESTINATION lib/cmake/syslib)

set(SYSLIB_RUNTIME_DLL_NAMES)
foreach(dll ${SYSLIB_RUNTIME_DLLS})
  get_filename_component(name ${dll} NAME)
  list(APPEND SYSLIB_RUNTIME_DLL_NAMES ${name})
endforeach()
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/syslibConfig.cmake.in
                              ${CMAKE_BINARY_DIR}/syslibConfig.cmake INSTALL_DESTINATION lib/cmake/syslib)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/syslibConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/syslibConfig.cmake ${CMAKE_BINARY_DIR}/syslibConfigVersion.cmake
        DESTINATION lib/cmake/syslib)
