facetmint_fuzzer(fuzz_mesh_data ${CMAKE_CURRENT_LIST_DIR}/fuzz_mesh_data.cpp
  ${CMAKE_CURRENT_LIST_DIR}/corpus/fuzz_mesh_data LIBS facetmint_scene)
