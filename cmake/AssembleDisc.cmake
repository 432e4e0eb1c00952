# Copies the sample disc to DISC and puts each of PROGRAMS ("|" between them) in its root. A program
# that does not exist stops it: a disc without a program its autorun.inf names is no disc.
# STAND_IN, if given, replaces the installer stand-in the sample carries.
string(REPLACE "|" ";" PROGRAMS "${PROGRAMS}")
foreach(program IN LISTS PROGRAMS)
    if(NOT EXISTS ${program})
        message(FATAL_ERROR "Cannot assemble the disc in ${DISC}: ${program} has not been built.")
    endif()
endforeach()
file(COPY ${SOURCE}/ DESTINATION ${DISC})
foreach(program IN LISTS PROGRAMS)
    file(COPY ${program} DESTINATION ${DISC})
endforeach()
if(STAND_IN)
    file(COPY_FILE ${STAND_IN} ${DISC}/Utils/Acrobat/AdbeRdr70_enu_full.exe)
endif()
