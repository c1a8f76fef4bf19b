# Helpers shared by every subsystem's CMakeLists.

# A shared module found by platform name at run time (qs_module(ws2_32 ...) -> lib/libws2_32.so).
function(qs_module name)
  add_library(${name} SHARED ${ARGN})
  set_target_properties(${name} PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
endfunction()

# A GoogleTest binary; each test case becomes a ctest test. Every test gets a private registry file
# and finds the modules in the build's lib folder.
function(qs_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  # gtest_discover_tests splits an ENVIRONMENT list and keeps only its first entry, so the variables
  # are set by running each test binary through tests/run-test.sh.
  set_property(TARGET ${name} PROPERTY CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/tests/run-test.sh
    QS_REGISTRY=${CMAKE_BINARY_DIR}/test-registry/${name} QS_MODULE_PATH=${CMAKE_BINARY_DIR}/lib ${T_ENV} --)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()

# A libFuzzer target (clang only). The ctest entry replays the seed corpus and runs a short bounded
# fuzzing session, so every test run exercises the parser under the sanitizers.
function(qs_fuzz name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    return()
  endif()
  add_executable(${name} ${F_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  # New inputs go to a scratch folder in the build; the committed seeds are only read.
  set(corpus ${CMAKE_SOURCE_DIR}/fuzz/corpus/${name})
  set(scratch ${CMAKE_BINARY_DIR}/fuzz-work/${name})
  file(MAKE_DIRECTORY ${scratch} ${corpus})
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND} -E env QS_MODULE_PATH=${CMAKE_BINARY_DIR}/lib
            $<TARGET_FILE:${name}> -runs=20000 -max_len=4096 -timeout=10 ${scratch} ${corpus})
  set_tests_properties(${name} PROPERTIES TIMEOUT 300)
endfunction()
