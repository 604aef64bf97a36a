# Installs a text file with the installed program folder written into it:
#   cmake -DIN=<file> -DOUT=<installed file> -DFROM=<text> -DTO=<text> -P install-with-paths.cmake
cmake_minimum_required(VERSION 3.25)
file(READ "${IN}" text)
string(REPLACE "${FROM}" "${TO}" text "${text}")
file(WRITE "${OUT}" "${text}")
message(STATUS "Installing: ${OUT}")
