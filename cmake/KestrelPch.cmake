# One precompiled header for the test programs, compiled once per build and reused by every test
# program (a header compiled per target would cost more than it saves): the standard library,
# GoogleTest, the run-time's headers and, in the Windows builds, <windows.h> are most of what a
# test source parses.
#
# The product's own sources get none. With a precompiled standard library, g++ 12 at -O2 no
# longer keeps its system headers quiet (-Warray-bounds in std::string, an error under -Werror);
# the tests compile at -Og, where that check does not run.
#
# The sources still include what they use: the header is an addition on the command line. A
# target whose flags do not match the header's is refused by -Winvalid-pch under -Werror.

set(kestrel_pch_test
  <algorithm> <cstddef> <cstdint> <filesystem> <functional> <memory> <string> <string_view>
  <utility> <vector> <gtest/gtest.h>
  ${CMAKE_SOURCE_DIR}/runtime/value.h
  ${CMAKE_SOURCE_DIR}/runtime/object.h
  ${CMAKE_SOURCE_DIR}/runtime/binding.h
  ${CMAKE_SOURCE_DIR}/runtime/closure.h
  ${CMAKE_SOURCE_DIR}/runtime/functions.h
  ${CMAKE_SOURCE_DIR}/runtime/error.h)
if(WIN32)
  # The socket tests need winsock2.h before windows.h, which would otherwise bring winsock.h.
  list(APPEND kestrel_pch_test <winsock2.h> <windows.h>)
endif()

add_library(kestrel_pch_test STATIC ${CMAKE_SOURCE_DIR}/cmake/pch/holder.cpp)
target_link_libraries(kestrel_pch_test PRIVATE gtest_main kestrel_options)
target_compile_options(kestrel_pch_test PRIVATE ${KESTREL_TEST_OPTIMIZE})
target_precompile_headers(kestrel_pch_test PRIVATE ${kestrel_pch_test})
# The header is compiled without the compiler cache: the cache hashes sibling checkouts alike
# (base_dir), but a compiled header holds its checkout's absolute paths, and one from another
# checkout makes every header it holds a second definition here.
set_target_properties(kestrel_pch_test PROPERTIES CXX_COMPILER_LAUNCHER "")

# Every test program below `dir` (a target that links GoogleTest's main) reuses it.
function(kestrel_use_pch dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(links ${target} LINK_LIBRARIES)
    if(links AND "gtest_main" IN_LIST links AND NOT target STREQUAL "kestrel_pch_test")
      target_precompile_headers(${target} REUSE_FROM kestrel_pch_test)
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdir IN LISTS subdirs)
    cmake_path(IS_PREFIX CMAKE_SOURCE_DIR ${subdir} ours)  # not GoogleTest's own folder
    if(ours)
      kestrel_use_pch(${subdir})
    endif()
  endforeach()
endfunction()
