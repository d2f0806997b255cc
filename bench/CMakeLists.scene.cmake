facetmint_bench(bench_scene SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/scene_core_bench.cpp
  LIBS facetmint_scene)
