# facetmint_embed(TARGET NAME FILE...): compiles FILEs into TARGET as a table of named byte
# arrays, looked up with EmbeddedResource("file name") (app/embedded.h). The table is
# regenerated whenever one of the files changes.
function(facetmint_embed target)
  set(_out ${CMAKE_CURRENT_BINARY_DIR}/${target}_embedded.cpp)
  add_custom_command(
    OUTPUT ${_out}
    COMMAND ${CMAKE_COMMAND} -DOUT=${_out} "-DFILES=${ARGN}" -P
            ${PROJECT_SOURCE_DIR}/cmake/EmbedWrite.cmake
    DEPENDS ${ARGN} ${PROJECT_SOURCE_DIR}/cmake/EmbedWrite.cmake
    COMMENT "Embedding resources into ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE ${_out})
endfunction()
