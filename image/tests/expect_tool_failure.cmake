# Runs TOOL on INPUT and passes when it exits with 1 and one message naming
# the problem on standard error.
execute_process(COMMAND ${TOOL} ${INPUT} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 1)
  message(FATAL_ERROR "expected exit status 1, got '${rc}'")
endif()
if(NOT err MATCHES "wrong magic")
  message(FATAL_ERROR "expected a message about the magic, got '${err}'")
endif()
if(NOT out STREQUAL "")
  message(FATAL_ERROR "expected nothing on standard output, got '${out}'")
endif()
