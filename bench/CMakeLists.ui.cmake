facetmint_bench(bench_ui SOURCES ${CMAKE_CURRENT_LIST_DIR}/ui_bench.cpp LIBS facetmint_ui)
