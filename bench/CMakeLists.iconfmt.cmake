facetmint_bench(bench_iconfmt
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/iconfmt_bench.cpp
          ${PROJECT_SOURCE_DIR}/tests/iconfmt/sample_previews.cpp
  LIBS facetmint_iconfmt)
