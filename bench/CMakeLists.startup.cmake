add_executable(bench_egl_start ${CMAKE_CURRENT_LIST_DIR}/egl_start.cpp)
target_link_libraries(bench_egl_start PRIVATE facetmint_flags PkgConfig::EGL)
add_executable(bench_startup ${CMAKE_CURRENT_LIST_DIR}/startup_bench.cpp)
target_link_libraries(bench_startup PRIVATE facetmint_flags facetmint_imaging)
target_compile_definitions(bench_startup PRIVATE FACETMINT_EXE="$<TARGET_FILE:facetmint>"
                                                 EGL_START_EXE="$<TARGET_FILE:bench_egl_start>")
add_dependencies(bench_startup facetmint bench_egl_start)
