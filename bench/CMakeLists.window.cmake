# The scene host in a headless window: one frame of the main window's scene.
facetmint_bench(bench_scene_host SOURCES ${CMAKE_CURRENT_LIST_DIR}/scene_host_bench.cpp
                LIBS facetmint_render facetmint_scene facetmint_platform)
