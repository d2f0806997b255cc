facetmint_fuzzer(fuzz_style_text ${CMAKE_CURRENT_LIST_DIR}/fuzz_style_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/corpus/fuzz_style_text LIBS facetmint_ui)
