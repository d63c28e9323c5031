find_package(GTest REQUIRED)
include(GoogleTest)

set(VELMORA_TEST_DIR ${CMAKE_BINARY_DIR}/tests)

# velmora_add_test(<name> SOURCES ... [LIBS ...] [LABELS ...] [DEFINITIONS ...]
#                  [DEPENDS <targets>...])
# LABELS "tsan" or "asan" mark suites that the sanitizer trees build and run;
# a sanitizer tree builds nothing else (target "sanitizer_tests").
# DEFINITIONS are extra compile definitions, DEPENDS targets built first
# (test data, libraries the suite loads at run time).
function(velmora_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS;DEFINITIONS;DEPENDS" ${ARGN})
  set(wanted TRUE)
  if(VELMORA_SANITIZE STREQUAL "thread" AND NOT "tsan" IN_LIST T_LABELS)
    set(wanted FALSE)
  elseif(VELMORA_SANITIZE STREQUAL "address" AND NOT "asan" IN_LIST T_LABELS)
    set(wanted FALSE)
  endif()
  if(NOT wanted)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main ${T_LIBS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  velmora_warnings(${name})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${VELMORA_TEST_DIR})
  target_compile_definitions(${name} PRIVATE
    VELMORA_SOURCE_DIR="${PROJECT_SOURCE_DIR}" VELMORA_BIN_DIR="${VELMORA_BIN_DIR}"
    VELMORA_TEST_DIR="${VELMORA_TEST_DIR}" ${T_DEFINITIONS})
  if(T_DEPENDS)
    add_dependencies(${name} ${T_DEPENDS})
  endif()
  if(T_LABELS)
    # Discovered tests take one label value: several are joined with commas
    # ("tsan,asan"), which the trees' "ctest -L <regex>" still matches.
    string(JOIN "," labels ${T_LABELS})
    gtest_discover_tests(${name} PROPERTIES LABELS "${labels}" DISCOVERY_TIMEOUT 120)
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120)
  endif()
  if(VELMORA_SANITIZE)
    add_dependencies(sanitizer_tests ${name})
  endif()
endfunction()

if(VELMORA_SANITIZE)
  add_custom_target(sanitizer_tests)
endif()

# The main tree runs the sanitizer trees' suites as single tests, so one
# CTest summary covers everything.
foreach(tree IN LISTS VELMORA_SANITIZER_TREES)
  string(REPLACE "=" ";" parts "${tree}")
  list(GET parts 0 label)
  list(GET parts 1 dir)
  add_test(NAME sanitizer.${label}
    COMMAND ${CMAKE_CTEST_COMMAND} --test-dir ${dir} -L ${label} --output-on-failure --no-tests=error)
  set_tests_properties(sanitizer.${label} PROPERTIES TIMEOUT 1800)
endforeach()
