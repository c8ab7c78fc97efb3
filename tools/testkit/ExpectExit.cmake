# Runs COMMAND (arguments separated by "|") and fails unless it exits with EXIT and, when
# OUTPUT is given, its standard output and error together match that regular expression.
string(REPLACE "|" ";" command "${COMMAND}")
execute_process(COMMAND ${command} RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT "${code}" STREQUAL "${EXIT}")
    message(FATAL_ERROR "exit ${code}, expected ${EXIT}\n${out}${err}")
endif()
if(DEFINED OUTPUT AND NOT "${out}${err}" MATCHES "${OUTPUT}")
    message(FATAL_ERROR "output does not match \"${OUTPUT}\":\n${out}${err}")
endif()
