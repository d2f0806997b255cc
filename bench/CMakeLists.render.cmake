facetmint_bench(bench_render SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/render_bench.cpp LIBS facetmint_render)
