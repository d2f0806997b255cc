# Compile flags shared by every target of the project (not by third-party code).
add_library(facetmint_flags INTERFACE)
target_compile_options(facetmint_flags INTERFACE
  -Wall -Wextra -Wpedantic -Wno-unused-parameter)
if(FACETMINT_WERROR)
  target_compile_options(facetmint_flags INTERFACE -Werror)
endif()
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(facetmint_flags INTERFACE -Wshadow=local)
  # GCC 12 reports false -Wrestrict overlaps inside libstdc++'s own std::string copies once
  # they are inlined at -O3 (GCC bug 105329), in files throughout the tree.
  if(CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12 AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(facetmint_flags INTERFACE $<$<CONFIG:Release,MinSizeRel>:-Wno-restrict>)
  endif()
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
