add_executable(bench_egl_start ${CMAKE_CURRENT_LIST_DIR}/egl_start.cpp)
target_link_libraries(bench_egl_start PRIVATE facetmint_flags PkgConfig::EGL)
add_executable(bench_egl_first_frame ${CMAKE_CURRENT_LIST_DIR}/egl_first_frame.cpp)
target_link_libraries(bench_egl_first_frame PRIVATE facetmint_flags facetmint_render PkgConfig::EGL
                      PkgConfig::EPOXY)
# Only what it calls is loaded at its start: EGL and epoxy, not the renderer's text libraries.
target_link_options(bench_egl_first_frame PRIVATE -Wl,--as-needed)
add_executable(bench_startup ${CMAKE_CURRENT_LIST_DIR}/startup_bench.cpp)
target_link_libraries(bench_startup PRIVATE facetmint_flags facetmint_imaging)
target_compile_definitions(bench_startup PRIVATE FACETMINT_EXE="$<TARGET_FILE:facetmint>"
                                                 EGL_START_EXE="$<TARGET_FILE:bench_egl_start>"
                                                 EGL_FIRST_FRAME_EXE="$<TARGET_FILE:bench_egl_first_frame>")
add_dependencies(bench_startup facetmint bench_egl_start bench_egl_first_frame)
add_executable(bench_batch ${CMAKE_CURRENT_LIST_DIR}/batch_bench.cpp)
target_link_libraries(bench_batch PRIVATE facetmint_flags facetmint_imaging)
target_compile_definitions(bench_batch PRIVATE FACETMINT_EXE="$<TARGET_FILE:facetmint>")
add_dependencies(bench_batch facetmint)
