facetmint_bench(bench_import SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_import.cpp
  LIBS facetmint_import)
