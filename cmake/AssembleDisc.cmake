# Copies the sample disc to DISC and puts each of PROGRAMS ("|" between them) that exists in its root.
# A program not built yet is left out with a note rather than failing the build.
# STAND_IN, if given, replaces the installer stand-in the sample carries.
file(COPY ${SOURCE}/ DESTINATION ${DISC})
string(REPLACE "|" ";" PROGRAMS "${PROGRAMS}")
foreach(program IN LISTS PROGRAMS)
    if(EXISTS ${program})
        file(COPY ${program} DESTINATION ${DISC})
    else()
        message(STATUS "Not on the disc, as it has not been built: ${program}")
    endif()
endforeach()
if(STAND_IN)
    file(COPY_FILE ${STAND_IN} ${DISC}/Utils/Acrobat/AdbeRdr70_enu_full.exe)
endif()
