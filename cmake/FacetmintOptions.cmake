# Compile flags shared by every target of the project (not by third-party code).
add_library(facetmint_flags INTERFACE)
target_compile_options(facetmint_flags INTERFACE
  -Wall -Wextra -Wpedantic -Werror -Wno-unused-parameter)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(facetmint_flags INTERFACE -Wshadow=local)
endif()
target_include_directories(facetmint_flags INTERFACE ${PROJECT_SOURCE_DIR})

if(FACETMINT_SANITIZE)
  set(_san -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_compile_options(${_san})
  add_link_options(-fsanitize=address,undefined)
endif()
if(FACETMINT_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "FACETMINT_FUZZ needs clang (CXX=clang++)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# facetmint_library(NAME SOURCES... [LIBS ...]): a subsystem's static library.
function(facetmint_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_link_libraries(${name} PUBLIC facetmint_flags ${ARG_LIBS})
endfunction()
