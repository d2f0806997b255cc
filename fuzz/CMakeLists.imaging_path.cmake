facetmint_fuzzer(fuzz_path_data ${CMAKE_CURRENT_LIST_DIR}/fuzz_path_data.cpp
  ${CMAKE_CURRENT_LIST_DIR}/corpus/fuzz_path_data LIBS facetmint_imaging)
