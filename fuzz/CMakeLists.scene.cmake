facetmint_fuzzer(fuzz_scene_stream ${CMAKE_CURRENT_LIST_DIR}/fuzz_scene_stream.cpp
  ${CMAKE_CURRENT_LIST_DIR}/corpus/fuzz_scene_stream LIBS facetmint_scene)
