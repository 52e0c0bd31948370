# Helpers that keep the per-folder CMake files short.

# tavrik_add_library(NAME SOURCES... LINKS libs...): a static library of one
# subsystem folder, reachable as tavrik::NAME.
function(tavrik_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  add_library(tavrik_${name} STATIC ${ARG_SOURCES})
  target_include_directories(tavrik_${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(tavrik_${name} PUBLIC ${ARG_LINKS})
  add_library(tavrik::${name} ALIAS tavrik_${name})
endfunction()

# tavrik_add_tests(NAME SOURCES... LINKS libs... [ENVIRONMENT VAR=value...]):
# one GoogleTest program whose tests CTest discovers one by one and runs with
# the given environment.
function(tavrik_add_tests name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS;ENVIRONMENT" ${ARGN})
  add_executable(tavrik_${name}_tests ${ARG_SOURCES})
  target_link_libraries(tavrik_${name}_tests PRIVATE ${ARG_LINKS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(tavrik_${name}_tests PRIVATE
    TAVRIK_ASSET_DIR="${TAVRIK_ASSET_DIR}"
    TAVRIK_CLI_PATH="$<TARGET_FILE:tavrik-cli>"
    TAVRIK_TEST_TMP="${CMAKE_BINARY_DIR}/test-tmp")
  set(properties)
  if(ARG_ENVIRONMENT)
    set(properties PROPERTIES ENVIRONMENT "${ARG_ENVIRONMENT}")
  endif()
  gtest_discover_tests(tavrik_${name}_tests
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    DISCOVERY_TIMEOUT 60
    ${properties})
endfunction()

# tavrik_optimize_loops(TARGET): builds the per-pixel code of TARGET at -O3
# in every build type but Debug. A frame of `--formats all` then takes about
# 5 % less CPU time than at RelWithDebInfo's -O2, which leaves loops needing
# a run-time alias check unvectorised; vector code does the same IEEE
# operations, so every value stays the same. GCC 12 at -O3 takes some
# std::string appends for overlapping copies: that warning is a false
# positive there.
function(tavrik_optimize_loops target)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE "$<$<NOT:$<CONFIG:Debug>>:-O3;-Wno-restrict>")
  endif()
endfunction()
