# velmora_add_resources(<target> <TYPE> <number> <file> [<TYPE> <number> <file>]...)
#
# Compiles the files into <target> as its module's resource table, found by
# type and number with platform::FindResource from code linked into that
# target. Call it once per module (program, machine library, test program).
set(VELMORA_EMBED_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/EmbedResources.cmake)

function(velmora_add_resources target)
  set(args ${ARGN})
  list(LENGTH args count)
  math(EXPR remainder "${count} % 3")
  if(count EQUAL 0 OR NOT remainder EQUAL 0)
    message(FATAL_ERROR "velmora_add_resources(${target}): expected TYPE NUMBER FILE triples")
  endif()
  set(manifest "")
  set(files "")
  set(seen "")
  math(EXPR last "${count} - 1")
  foreach(i RANGE 0 ${last} 3)
    math(EXPR n "${i} + 1")
    math(EXPR f "${i} + 2")
    list(GET args ${i} type)
    list(GET args ${n} number)
    list(GET args ${f} file)
    if(NOT type MATCHES "^[A-Z][A-Z0-9_]*$")
      message(FATAL_ERROR "velmora_add_resources(${target}): bad resource type '${type}'")
    endif()
    if(NOT number MATCHES "^[0-9]+$" OR number GREATER 65535)
      message(FATAL_ERROR "velmora_add_resources(${target}): bad resource number '${number}'")
    endif()
    if("${type}:${number}" IN_LIST seen)
      message(FATAL_ERROR "velmora_add_resources(${target}): ${type} ${number} given twice")
    endif()
    list(APPEND seen "${type}:${number}")
    get_filename_component(file "${file}" ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    string(APPEND manifest "${type} ${number} ${file}\n")
    list(APPEND files ${file})
  endforeach()

  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources)
  file(MAKE_DIRECTORY ${dir})
  file(CONFIGURE OUTPUT ${dir}/manifest.txt CONTENT "${manifest}")
  add_custom_command(
    OUTPUT ${dir}/resources.cpp
    COMMAND ${CMAKE_COMMAND} -DMANIFEST=${dir}/manifest.txt -DOUTPUT=${dir}/resources.cpp -P ${VELMORA_EMBED_SCRIPT}
    DEPENDS ${files} ${dir}/manifest.txt ${VELMORA_EMBED_SCRIPT}
    COMMENT "Embedding resources of ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE ${dir}/resources.cpp)
  if(TARGET velmora_artwork)
    add_dependencies(${target} velmora_artwork)
  endif()
endfunction()
