facetmint_bench(bench_imaging SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/imaging_bench.cpp
  LIBS facetmint_imaging)
