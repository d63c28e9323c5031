# Writes a module's resource table (see VelmoraResources.cmake) as C++ source.
# Input: MANIFEST, lines "TYPE NUMBER PATH"; output: OUTPUT.
file(STRINGS ${MANIFEST} lines)
set(arrays "")
set(entries "")
set(index 0)
foreach(line IN LISTS lines)
  string(REGEX MATCH "^([A-Z0-9_]+) ([0-9]+) (.+)$" matched "${line}")
  if(NOT matched)
    message(FATAL_ERROR "bad manifest line: ${line}")
  endif()
  set(type ${CMAKE_MATCH_1})
  set(number ${CMAKE_MATCH_2})
  set(path ${CMAKE_MATCH_3})
  file(READ ${path} hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  if(size EQUAL 0)
    message(FATAL_ERROR "empty resource file: ${path}")
  endif()
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  # Keep lines short enough for editors and compilers' diagnostics.
  string(REGEX REPLACE "((0x..,){32})" "\\1\n" bytes "${bytes}")
  string(APPEND arrays "// ${path}\nconst unsigned char resource${index}[] = {\n${bytes}\n};\n")
  string(APPEND entries "    {\"${type}\", ${number}, resource${index}, ${size}},\n")
  math(EXPR index "${index} + 1")
endforeach()

file(WRITE ${OUTPUT}.tmp
"// Generated from ${MANIFEST}; do not edit.
#include \"platform/OsResources.h\"

namespace {

${arrays}
const platform::ResourceEntry entries[] = {
${entries}};

} // namespace

extern \"C\" const platform::ResourceTable velmoraModuleResources = {entries, ${index}};
")
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
