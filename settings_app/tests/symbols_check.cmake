# Checks a binary's symbols: cmake -DNM=<nm> -DBINARY=<file> -DPRESENT=<regex> -DABSENT=<regex>
# -P symbols_check.cmake. PRESENT must match (so the binary carries symbols at all), ABSENT not.
execute_process(COMMAND ${NM} -C ${BINARY} OUTPUT_VARIABLE symbols RESULT_VARIABLE status
                ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${BINARY}: ${errors}")
endif()
if(NOT symbols MATCHES "${PRESENT}")
  message(FATAL_ERROR "${BINARY} has no symbol matching '${PRESENT}': stripped, or the wrong file")
endif()
if(DEFINED ABSENT AND NOT ABSENT STREQUAL "")
  string(REGEX MATCHALL "[^\n]*${ABSENT}[^\n]*" found "${symbols}")
  if(found)
    list(LENGTH found count)
    list(GET found 0 first)
    message(FATAL_ERROR "${BINARY} has ${count} symbol(s) matching '${ABSENT}', e.g. ${first}")
  endif()
endif()
message(STATUS "${BINARY}: '${PRESENT}' present, '${ABSENT}' absent")
