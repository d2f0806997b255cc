# Installs the build into a fresh prefix and checks that a desktop finds the program there:
# the executable, its help pages, its English catalogue, the desktop entry, the icon and the MIME type.
#   cmake -DBUILD_DIR=... -DPREFIX=... -P check_install.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()
foreach(f bin/facetmint libexec/facetmint/facetmint-model-reader
          libexec/facetmint/facetmint-texture-decoder share/facetmint/help/index.html
          share/facetmint/help/index.zh_CN.html share/locale/en/LC_MESSAGES/facetmint.mo
          share/applications/facetmint.desktop
          share/icons/hicolor/256x256/apps/facetmint.png share/mime/packages/facetmint.xml)
  if(NOT EXISTS ${PREFIX}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
file(STRINGS ${PREFIX}/share/applications/facetmint.desktop exec REGEX "^Exec=")
if(NOT exec STREQUAL "Exec=facetmint %f")
  message(FATAL_ERROR "the desktop entry starts '${exec}'")
endif()
# The installed program names the installed help page.
execute_process(COMMAND ${PREFIX}/bin/facetmint --help RESULT_VARIABLE rc OUTPUT_VARIABLE out)
get_filename_component(real_prefix ${PREFIX} REALPATH)
if(NOT rc EQUAL 0 OR NOT out MATCHES "file://${real_prefix}/share/facetmint/help/index.html")
  message(FATAL_ERROR "the installed program does not name its help page: ${rc} ${out}")
endif()
file(REMOVE_RECURSE ${PREFIX})
