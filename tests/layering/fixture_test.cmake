# The layer check on a fixture whose layers are low, mid and top: it must fail and name exactly
# the includes that point upwards or out of the layers, each with its file and line. Downward
# and same-layer includes, includes of files not in the repository and comments pass.
#   cmake -DCHECK=<LayerCheck.cmake> -DFIXTURE=<this folder> -P fixture_test.cmake
execute_process(COMMAND ${CMAKE_COMMAND} -DROOT=${FIXTURE} -DLAYERS=low,mid,top -P ${CHECK}
                RESULT_VARIABLE result ERROR_VARIABLE output)
set(expected
    "low/low.cpp:5: layer low includes \"top/top.h\" of top"
    "mid/mid.h:5: layer mid includes \"outside/helper.h\" of no product layer"
    "mid/mid_other.h:3: layer mid includes \"top/top.h\" of top")
string(REGEX MATCHALL "[^\n]*:[0-9]+: layer [^\n]*" reported "${output}")
if(result EQUAL 0)
  message(FATAL_ERROR "the check passed a fixture with wrong includes:\n${output}")
endif()
if(NOT reported STREQUAL expected)
  string(REPLACE ";" "\n" reported "${reported}")
  string(REPLACE ";" "\n" expected "${expected}")
  message(FATAL_ERROR "reported:\n${reported}\nexpected:\n${expected}")
endif()
