# Zips the staged skin folder and writes it as a C array (the source changes only when the
# archive does, so nothing recompiles needlessly).
file(GLOB_RECURSE files RELATIVE ${STAGE} ${STAGE}/*)
list(SORT files)
execute_process(
  COMMAND ${CMAKE_COMMAND} -E tar cf ${ZIP} --format=zip --mtime=2000-01-01 -- ${files}
  WORKING_DIRECTORY ${STAGE}
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cannot zip the skin: ${rc}")
endif()
file(READ ${ZIP} hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE ${OUTPUT}.tmp
  "// Generated from the skin folder; do not edit.\n"
  "#include <cstddef>\n"
  "extern \"C\" {\n"
  "alignas(16) extern const unsigned char vesmar_skin_zip[] = {\n${bytes}};\n"
  "extern const std::size_t vesmar_skin_zip_size = ${size};\n"
  "}\n")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
