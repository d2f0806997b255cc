# facetmint_library_soname(VAR PATTERN LIBRARY...): VAR is the soname of the first of the
# libraries whose file name matches PATTERN, as the dynamic loader will look for it.
function(facetmint_library_soname var pattern)
  foreach(library IN LISTS ARGN)
    get_filename_component(name "${library}" NAME)
    if(NOT name MATCHES "${pattern}")
      continue()
    endif()
    execute_process(COMMAND ${CMAKE_OBJDUMP} -p "${library}" OUTPUT_VARIABLE dump
                    RESULT_VARIABLE failed)
    if(NOT failed AND dump MATCHES "SONAME +([^\n ]+)")
      set(${var} "${CMAKE_MATCH_1}" PARENT_SCOPE)
      return()
    endif()
  endforeach()
  message(FATAL_ERROR "No soname for a library matching ${pattern} among: ${ARGN}")
endfunction()
