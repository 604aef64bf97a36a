# Writes a brief file from its text form with tools/rvbrief:
#   cmake -DRVBRIEF=<rvbrief> -DTEXT=<NAME.txt> -DBRIEF=<NAME.brf> -DDATA=<folder> -P brief-from-text.cmake
# "@DATA@" becomes the data folder the brief will be read from; lines that
# name "@ORIGIN@" (the demo script's own web server) are left out.
cmake_minimum_required(VERSION 3.25)
file(READ "${TEXT}" text)
string(REGEX REPLACE "[^\n]*@ORIGIN@[^\n]*\n?" "" text "${text}")
string(REPLACE "@DATA@" "${DATA}" text "${text}")
get_filename_component(folder "${BRIEF}" DIRECTORY)
file(MAKE_DIRECTORY "${folder}")
file(WRITE "${BRIEF}.txt" "${text}")
execute_process(COMMAND "${RVBRIEF}" "${BRIEF}" "${BRIEF}.txt" RESULT_VARIABLE result)
file(REMOVE "${BRIEF}.txt")
if(NOT result EQUAL 0)
    message(FATAL_ERROR "rvbrief could not write ${BRIEF} from ${TEXT}")
endif()
