# Fails when a source file under DIR includes a Qt header.
#   cmake -DDIR=<folder> -P no-qt-includes.cmake
file(GLOB_RECURSE sources ${DIR}/*.h ${DIR}/*.cpp)
set(found "")
foreach(source ${sources})
    file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]+|Qt[A-Za-z]*/)")
    foreach(line ${lines})
        list(APPEND found "${source}: ${line}")
    endforeach()
endforeach()
if(found)
    list(JOIN found "\n" report)
    message(FATAL_ERROR "Qt headers in a Qt-free folder:\n${report}")
endif()
