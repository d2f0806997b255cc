# Links Assimp to measure its own ReadFile beside Facetmint's guarded load.
facetmint_bench(bench_assimp SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_assimp.cpp
  LIBS facetmint_import facetmint_assimp_flatten PkgConfig::ASSIMP)
