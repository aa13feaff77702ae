# Runs PROGRAM and passes only when it failed with a sanitizer report that
# contains REPORT and DETAIL.
execute_process(COMMAND ${PROGRAM} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(rc EQUAL 0)
  message(FATAL_ERROR "the program exited with 0: such a fault would not fail a test\n${out}${err}")
endif()
string(FIND "${err}" "${REPORT}" report)
string(FIND "${err}" "${DETAIL}" detail)
if(report EQUAL -1 OR detail EQUAL -1)
  message(FATAL_ERROR "no report \"${REPORT}\" naming ${DETAIL} (exit ${rc}):\n${err}")
endif()
message(STATUS "reported and failed (exit ${rc})")
