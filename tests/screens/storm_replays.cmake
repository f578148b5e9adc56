# Runs the storm (STORM: the storm_tests program) twice on one seed and fails unless the two
# runs are the same, as the summary each prints says: the count of transfers and failures,
# and the digest of every action taken.
foreach(run IN ITEMS 1 2)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env WAYFARER_STORM_SEED=7 WAYFARER_STORM_ACTIONS=1500 ${STORM}
    OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "storm run ${run} failed:\n${output}")
  endif()
  string(REGEX MATCH "storm: [^\n]*" summary${run} "${output}")
endforeach()
if(summary1 STREQUAL "" OR NOT summary1 STREQUAL summary2)
  message(FATAL_ERROR "one seed, two runs:\n${summary1}\n${summary2}")
endif()
message("${summary1}")
