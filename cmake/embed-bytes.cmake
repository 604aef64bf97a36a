# cmake -DINPUT=file -DOUTPUT=file.cpp -DFUNCTION=rv::Name -DHEADER=store/x.h -P embed-bytes.cmake
# Writes a C++ source whose function returns the bytes of INPUT as a
# std::string_view, so that a data file is built into a library.
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# One line per 32 bytes keeps the generated file readable in a debugger.
string(REGEX REPLACE "((0x..,){32})" "\\1\n    " bytes "${bytes}")
string(REGEX MATCH "^(.*)::([^:]+)$" unused "${FUNCTION}")
set(namespace ${CMAKE_MATCH_1})
set(name ${CMAKE_MATCH_2})
file(WRITE ${OUTPUT}.tmp "// Generated from ${INPUT} by cmake/embed-bytes.cmake; do not edit.
#include \"${HEADER}\"

namespace ${namespace}
{

namespace
{

const unsigned char Bytes[${size} + 1] = {
    ${bytes}
};

} // namespace

std::string_view ${name}()
{
    return {reinterpret_cast<const char*>(Bytes), ${size}};
}

} // namespace ${namespace}
")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
