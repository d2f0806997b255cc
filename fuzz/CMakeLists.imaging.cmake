facetmint_fuzzer(fuzz_image_decode ${CMAKE_CURRENT_LIST_DIR}/fuzz_image_decode.cpp
  ${CMAKE_CURRENT_LIST_DIR}/corpus/fuzz_image_decode LIBS facetmint_imaging)
