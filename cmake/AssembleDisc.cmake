# Copies the sample disc to DISC and puts each of PROGRAMS ("|" between them) that exists in its root.
# A program not built yet is left out with a note rather than failing the build.
file(COPY ${SOURCE}/ DESTINATION ${DISC})
string(REPLACE "|" ";" PROGRAMS "${PROGRAMS}")
foreach(program IN LISTS PROGRAMS)
    if(EXISTS ${program})
        file(COPY ${program} DESTINATION ${DISC})
    else()
        message(STATUS "Not on the disc, as it has not been built: ${program}")
    endif()
endforeach()
