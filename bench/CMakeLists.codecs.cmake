facetmint_bench(bench_codecs SOURCES ${CMAKE_CURRENT_LIST_DIR}/codecs_bench.cpp
  LIBS facetmint_imaging)
