# Helpers that keep each folder's CMakeLists to a list of its files.

# Adds the sources of one subsystem folder to the library.
function(syslib_sources)
  target_sources(syslib_objects PRIVATE ${ARGN})
endfunction()

# A GoogleTest program of the test build, run under wine by ctest:
#   syslib_test(name source... [LOCK resource])
# LOCK: its tests never run beside another test that holds the same lock (machine-wide state such as a
# registry value that programs rewrite whole).
function(syslib_test name)
  cmake_parse_arguments(PARSE_ARGV 1 TEST "" "LOCK" "")
  add_executable(${name} ${TEST_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE syslib_static syslib_test_support)
  set(properties TIMEOUT 300)
  if(TEST_LOCK)
    list(APPEND properties RESOURCE_LOCK ${TEST_LOCK})
  endif()
  # A cold wine prefix is made by the first program that runs; the others wait for it.
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 300 PROPERTIES ${properties})
endfunction()

# A benchmark program: built with the tests, run by hand (see bench/README).
function(syslib_bench name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE syslib_static syslib_host_logbook syslib_bench_support)
endfunction()
