# liga_add_test(<name> SOURCES <files...> [LIBS <targets...>])
# One GoogleTest executable per unit; every TEST is registered with CTest.
find_package(GTest REQUIRED)
include(GoogleTest)

function(liga_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE LIGA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  # The code under test is the libraries, built as they ship; the test programs themselves
  # are compiled without optimisation, which halves their build time (gtest's macros are
  # costly to optimise) and keeps them easy to step through.
  target_compile_options(${name} PRIVATE -O0)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "LIGA_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()
