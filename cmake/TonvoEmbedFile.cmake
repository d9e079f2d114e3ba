# Turns a binary file into a C++ source defining its bytes, so the file travels inside the
# program instead of beside it. Run as a script:
#   cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -DSYMBOL=<name> -DNAMESPACE=<ns> -P TonvoEmbedFile.cmake
# The source defines `const unsigned char <SYMBOL>[]` and `const std::size_t <SYMBOL>_size`
# in namespace <NAMESPACE>, both with external linkage. Only CMake itself is needed.
foreach(var INPUT OUTPUT SYMBOL NAMESPACE)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "TonvoEmbedFile.cmake: ${var} is not set")
  endif()
endforeach()
if(NOT EXISTS "${INPUT}")
  message(FATAL_ERROR "TonvoEmbedFile.cmake: ${INPUT} does not exist")
endif()

file(READ "${INPUT}" hex HEX)
file(SIZE "${INPUT}" size)
if(size EQUAL 0)
  # A zero-length array is not C++; one zero byte stands in, the size stays 0.
  set(hex "00")
endif()

# Sixteen bytes a line: first break the hex text into lines of 32 digits, then turn each pair
# of digits into one initializer. (CMake's regular expressions have no {n} repeat.)
string(REPEAT "[0-9a-f]" 32 line_pattern)
string(REGEX REPLACE "(${line_pattern})" "\\1\n" hex "${hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," hex "${hex}")

get_filename_component(input_name "${INPUT}" NAME)
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${input_name} by TonvoEmbedFile.cmake; do not edit.\n"
  "#include <cstddef>\n\n"
  "namespace ${NAMESPACE} {\n"
  "extern const unsigned char ${SYMBOL}[] = {\n${hex}\n};\n"
  "extern const std::size_t ${SYMBOL}_size = ${size};\n"
  "} // namespace ${NAMESPACE}\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
