# kestrel_add_test(NAME SOURCES file... [LIBS lib...] [TIMEOUT seconds])
# One GoogleTest program = one ctest entry. Windows programs run under Wine through the
# cross-compiling emulator, inside the shared Wine session fixture.
function(kestrel_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} gtest_main kestrel_options)
  target_compile_options(${name} PRIVATE ${KESTREL_TEST_OPTIMIZE})
  add_test(NAME ${name} COMMAND ${name})
  # Without timings of an earlier run ctest starts the costliest tests first: the time a test
  # is allowed stands for its cost, so a long test does not end the run alone.
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} COST ${T_TIMEOUT})
  if(WIN32)
    kestrel_wine_test(${name})
  endif()
endfunction()

# A test that runs Windows programs: under the run's Wine session, or, when ctest runs tests side
# by side (the presets' resource file), in a session of its own (scripts/wine-session).
function(kestrel_wine_test name)
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine RESOURCE_GROUPS wine:1
                       ENVIRONMENT KESTREL_WINE_DIR=${CMAKE_BINARY_DIR}/wine)
endfunction()
