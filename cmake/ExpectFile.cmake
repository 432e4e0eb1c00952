# Stops, naming PROGRAM, when it does not exist.
if(NOT EXISTS "${PROGRAM}")
    message(FATAL_ERROR "${PROGRAM}, which the disc's autorun.inf names, does not exist.")
endif()
