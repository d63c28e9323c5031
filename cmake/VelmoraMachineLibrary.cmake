# velmora_add_machine_library(<target> OUTPUT_NAME <file name without .so>
#                             OUTPUT_DIRECTORY <folder> SOURCES ... [LIBS ...])
# A machine library: a shared object with the framework compiled in that
# exports only VelmPlugInit, so that its framework copy never mixes with the
# studio's or another library's.
function(velmora_add_machine_library target)
  cmake_parse_arguments(L "" "OUTPUT_NAME;OUTPUT_DIRECTORY" "SOURCES;LIBS" ${ARGN})
  add_library(${target} MODULE ${L_SOURCES})
  target_link_libraries(${target} PRIVATE velmora_framework ${L_LIBS})
  set_target_properties(${target} PROPERTIES
    PREFIX "" OUTPUT_NAME ${L_OUTPUT_NAME}
    LIBRARY_OUTPUT_DIRECTORY ${L_OUTPUT_DIRECTORY}
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON
    LINK_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/MachineLibrary.map)
  target_link_options(${target} PRIVATE -Wl,--version-script=${PROJECT_SOURCE_DIR}/cmake/MachineLibrary.map)
  # Sanitizer runtimes live in the program, so only plain builds can insist
  # that everything resolves inside the library.
  if(NOT VELMORA_SANITIZE)
    target_link_options(${target} PRIVATE -Wl,--no-undefined)
  endif()
  velmora_warnings(${target})
endfunction()
