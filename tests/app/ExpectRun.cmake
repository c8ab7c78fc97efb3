# Runs PROGRAM with ARGS (a list) and checks its exit code against EXIT_CODE and, when given,
# its standard output and error against the regular expressions STDOUT and STDERR, and that
# standard output does not match NOT_STDOUT.
execute_process(COMMAND ${PROGRAM} ${ARGS}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE error)
if(NOT result STREQUAL EXIT_CODE)
    message(FATAL_ERROR "exit code ${result}, expected ${EXIT_CODE}\n"
                        "standard output:\n${output}\nstandard error:\n${error}")
endif()
if(DEFINED STDOUT AND NOT STDOUT STREQUAL "" AND NOT output MATCHES "${STDOUT}")
    message(FATAL_ERROR "standard output does not match ${STDOUT}:\n${output}")
endif()
if(DEFINED STDERR AND NOT STDERR STREQUAL "" AND NOT error MATCHES "${STDERR}")
    message(FATAL_ERROR "standard error does not match ${STDERR}:\n${error}")
endif()
if(DEFINED NOT_STDOUT AND NOT NOT_STDOUT STREQUAL "" AND output MATCHES "${NOT_STDOUT}")
    message(FATAL_ERROR "standard output matches ${NOT_STDOUT}:\n${output}")
endif()
