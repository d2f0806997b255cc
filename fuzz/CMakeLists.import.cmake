foreach(_import_fuzzer fuzz_3ds_reader fuzz_3ds_builder fuzz_md3_reader fuzz_md3_builder)
  facetmint_fuzzer(${_import_fuzzer} ${CMAKE_CURRENT_LIST_DIR}/${_import_fuzzer}.cpp
    ${CMAKE_CURRENT_LIST_DIR}/corpus/${_import_fuzzer} LIBS facetmint_import)
endforeach()
facetmint_fuzzer(fuzz_model_handback ${CMAKE_CURRENT_LIST_DIR}/fuzz_model_handback.cpp
  ${CMAKE_CURRENT_LIST_DIR}/corpus/fuzz_model_handback LIBS facetmint_import)
# A reader process per input: a few inputs a second.
facetmint_fuzzer(fuzz_assimp_guarded ${CMAKE_CURRENT_LIST_DIR}/fuzz_assimp_guarded.cpp
  ${CMAKE_CURRENT_LIST_DIR}/corpus/fuzz_assimp_guarded RUNS 200 LIBS facetmint_import)
