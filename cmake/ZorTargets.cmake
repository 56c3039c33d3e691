# zor_add_test(NAME SOURCES...): one test program, run as one ctest test,
# so that Wine starts one process per program rather than one per case.
# The shared test main lets a program run parts of itself as a child process.
# The test's name shows the build it belongs to (win32:NAME, win64:NAME), as
# the test run reports both builds together.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(ZOR_BUILD_NAME win32)
else()
  set(ZOR_BUILD_NAME win64)
endif()

function(zor_add_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE zor_test_support GTest::gtest)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR})
  add_test(NAME ${ZOR_BUILD_NAME}:${name} COMMAND ${name})
  # A program that dies half-way under Wine may still end with code 0, so a
  # run passes only when the test framework's own summary says so.
  set_tests_properties(${ZOR_BUILD_NAME}:${name} PROPERTIES
    PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] [0-9]+ tests?\\."
    FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]")
endfunction()
