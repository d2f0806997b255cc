# Mesh shapes: picking against a large mesh, round cube construction.
facetmint_bench(bench_scenecontent SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/scene_content_bench.cpp
                LIBS facetmint_scene)
