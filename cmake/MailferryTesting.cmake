# Helpers for declaring tests with the project's ctest labels:
#   unit     fast tests of one layer, also run in the sanitizer build
#   gui      QtTest window tests (offscreen platform)
#   readers  round trips through the independent PST readers
#   bench    benchmarks, never run by ./test
#   huge     the multi-gigabyte store, never run by ./test
#   kill     a run killed at random moments (tests/cli/kill-test), never run by ./test
find_package(GTest REQUIRED)
if(MAILFERRY_BENCHMARKS)
  find_package(benchmark QUIET)
endif()

# One target per label builds every test program of that label (and the programs those tests
# start), so that a tree builds only what it runs: cmake --build build --target tests_unit.
foreach(label unit gui readers huge)
  add_custom_target(tests_${label})
endforeach()

set(MAILFERRY_TEST_ENV
  "MAILFERRY_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
  "MAILFERRY_BIN_DIR=${CMAKE_BINARY_DIR}/bin"
  "MAILFERRY_ORACLES=${CMAKE_SOURCE_DIR}/tests/oracles"
  "QT_QPA_PLATFORM=offscreen")

# The independent PST readers (tests/oracles) are Linux programs; their own tests stay out of the
# Windows build, and scripts/test-windows runs the readers over the Windows build's PSTs.
set(MAILFERRY_READERS_ARE_LINUX
    "the PST readers are Linux programs, run by scripts/test-windows on the Windows PSTs")

# mailferry_gtest(NAME LABEL SOURCES... LIBS... [TIMEOUT s] [NOT_ON_WINDOWS "reason"])
# NOT_ON_WINDOWS: the Windows build leaves the program out and ctest lists it as skipped,
# with the reason.
function(mailferry_gtest name label)
  cmake_parse_arguments(T "" "TIMEOUT;NOT_ON_WINDOWS" "SOURCES;LIBS" ${ARGN})
  if(WIN32 AND T_NOT_ON_WINDOWS)
    add_executable(${name} EXCLUDE_FROM_ALL ${T_SOURCES})  # named by add_dependencies only
    add_test(NAME ${name} COMMAND ${CMAKE_COMMAND} -E echo "skipped on Windows: ${T_NOT_ON_WINDOWS}")
    set_tests_properties(${name} PROPERTIES LABELS ${label}
                         SKIP_REGULAR_EXPRESSION "skipped on Windows")
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE MAILFERRY_SOURCE_DIR_AT_BUILD="${CMAKE_SOURCE_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  add_dependencies(tests_${label} ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  set_tests_properties(${name} PROPERTIES LABELS ${label} TIMEOUT ${T_TIMEOUT}
                       ENVIRONMENT "${MAILFERRY_TEST_ENV}")
endfunction()

# mailferry_benchmark(NAME SOURCES... LIBS...)
function(mailferry_benchmark name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;ARGS" ${ARGN})
  if(NOT MAILFERRY_BENCHMARKS OR NOT benchmark_FOUND)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} benchmark::benchmark)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  add_test(NAME ${name} COMMAND ${name} ${T_ARGS})
  set_tests_properties(${name} PROPERTIES LABELS bench TIMEOUT 3600
                       ENVIRONMENT "${MAILFERRY_TEST_ENV}")
endfunction()

# mailferry_fuzzer(NAME SOURCES... LIBS... INSTRUMENT...): a libFuzzer target with the address
# and undefined-behaviour sanitizers, built only by the fuzz preset (clang); the INSTRUMENT
# libraries are compiled with the fuzzer's coverage too. scripts/fuzz-smoke runs it.
function(mailferry_fuzzer name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;INSTRUMENT" ${ARGN})
  if(NOT MAILFERRY_FUZZ OR NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${name} PRIVATE ${T_LIBS})
  foreach(lib ${T_INSTRUMENT})
    target_compile_options(${lib} PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
  endforeach()
endfunction()
