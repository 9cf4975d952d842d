# cmake -DINPUT=<file> -DOUTPUT=<header> -DNAME=<symbol> -P EmbedFile.cmake
# Writes a header holding the file's bytes as `inline constexpr char NAME[]` (no trailing
# NUL; use sizeof for the length).
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
file(WRITE "${OUTPUT}.tmp" "// Generated from ${INPUT}; do not edit.\n#pragma once\ninline constexpr char ${NAME}[] = {${bytes}};\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
