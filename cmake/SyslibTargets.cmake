# Helpers that keep each folder's CMakeLists to a list of its files.

# Adds the sources of one subsystem folder to the library.
function(syslib_sources)
  target_sources(syslib_objects PRIVATE ${ARGN})
endfunction()

# A GoogleTest program of the test build, run under wine by ctest.
function(syslib_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE syslib_static syslib_test_support)
  # A cold wine prefix is made by the first program that runs; the others wait for it.
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 300 PROPERTIES TIMEOUT 300)
endfunction()

# A benchmark program: built with the tests, run by hand (see bench/README).
function(syslib_bench name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE syslib_static syslib_host_logbook syslib_bench_support)
endfunction()
