foreach(_import_fuzzer fuzz_3ds_reader fuzz_3ds_builder fuzz_md3_reader fuzz_md3_builder)
  facetmint_fuzzer(${_import_fuzzer} ${CMAKE_CURRENT_LIST_DIR}/${_import_fuzzer}.cpp
    ${CMAKE_CURRENT_LIST_DIR}/corpus/${_import_fuzzer} LIBS facetmint_import)
endforeach()
