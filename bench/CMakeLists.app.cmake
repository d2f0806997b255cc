facetmint_bench(bench_pipeline SOURCES ${CMAKE_CURRENT_LIST_DIR}/pipeline_bench.cpp
  LIBS facetmint_app)
target_compile_definitions(bench_pipeline PRIVATE FACETMINT_EXE="$<TARGET_FILE:facetmint>")
add_dependencies(bench_pipeline facetmint)
facetmint_bench(bench_model_load SOURCES ${CMAKE_CURRENT_LIST_DIR}/model_load_bench.cpp
  LIBS facetmint_window facetmint_testsupport)
