# The documents the package carries: the manual pages (section 1, gzipped) and,
# in share/doc/verdane, the copyright file, the README and the changelog, as
# Debian lays them out. The pages name the version of the build.

include(GNUInstallDirs)
set(VERDANE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/verdane)
set(verdane_documents_out ${PROJECT_BINARY_DIR}/documents)
file(MAKE_DIRECTORY ${verdane_documents_out})

find_program(VERDANE_GZIP gzip REQUIRED)
set(verdane_gzipped)
# gzip -9n: best compression and no name or time stamp inside, so a rebuild
# gives the same bytes.
function(verdane_gzip source output)
  add_custom_command(OUTPUT ${output}
    COMMAND sh -c "\"$0\" -9nc \"$1\" > \"$2\"" ${VERDANE_GZIP} ${source} ${output}
    DEPENDS ${source}
    COMMENT "Compressing ${output}"
    VERBATIM)
  set(verdane_gzipped ${verdane_gzipped} ${output} PARENT_SCOPE)
endfunction()

foreach(page verdane verdane-cli)
  configure_file(${PROJECT_SOURCE_DIR}/data/${page}.1 ${verdane_documents_out}/${page}.1 @ONLY)
  verdane_gzip(${verdane_documents_out}/${page}.1 ${verdane_documents_out}/${page}.1.gz)
  install(FILES ${verdane_documents_out}/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
verdane_gzip(${PROJECT_SOURCE_DIR}/data/changelog ${verdane_documents_out}/changelog.gz)
add_custom_target(verdane_documents ALL DEPENDS ${verdane_gzipped})

install(FILES ${verdane_documents_out}/changelog.gz ${PROJECT_SOURCE_DIR}/data/copyright
        ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION ${VERDANE_DOC_DIR})
