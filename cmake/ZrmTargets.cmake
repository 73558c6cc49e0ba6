# Common settings of every target of the project.
function(zrm_target_defaults target)
  # -Wshadow=local is GCC's only; Clang's -Wshadow would also flag members shadowed by parameters.
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local>
                                           -Wnon-virtual-dtor -Woverloaded-virtual)
  if(ZRM_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  target_compile_definitions(${target} PRIVATE QT_NO_KEYWORDS QT_NO_CAST_FROM_ASCII
                                               QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)
endfunction()

# zrm_add_test(<name> SOURCES ... LIBS ...): a GoogleTest executable registered with ctest.
# GUI tests run on the offscreen platform, so no display is needed.
function(zrm_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  zrm_target_defaults(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
  include(GoogleTest)
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    # The slowest test takes seconds: a test still running after two minutes hangs. The sanitizers'
    # options come from the test presets.
    PROPERTIES TIMEOUT 120 ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endfunction()
