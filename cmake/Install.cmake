# Installing (GNUInstallDirs): the programs in bin, each with its manual page;
# the shipped files in share/cellwinnow, where an installed program looks when
# they are not beside it.
include(GNUInstallDirs)

set(CW_SHARE_DIR "${CMAKE_INSTALL_DATADIR}/cellwinnow")
# Relative to the program, so that a DESTDIR or moved install finds them too.
file(RELATIVE_PATH CW_SHARE_FROM_BIN "${CMAKE_INSTALL_FULL_BINDIR}" "${CMAKE_INSTALL_FULL_DATADIR}/cellwinnow")

# A program and its manual page docs/man/<program>.1 (@PROJECT_VERSION@ filled
# in): one call per program.
function(cw_install_program target)
  install(TARGETS ${target} RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
  set(_page "${CMAKE_BINARY_DIR}/man/${target}.1")
  configure_file("${PROJECT_SOURCE_DIR}/docs/man/${target}.1" "${_page}" @ONLY)
  add_custom_command(OUTPUT "${_page}.gz"
    COMMAND ${CMAKE_COMMAND} -DIN=${_page} -DOUT=${_page}.gz -P "${PROJECT_SOURCE_DIR}/cmake/Gzip.cmake"
    DEPENDS "${_page}" "${PROJECT_SOURCE_DIR}/cmake/Gzip.cmake"
    VERBATIM)
  add_custom_target(${target}_manual ALL DEPENDS "${_page}.gz")
  install(FILES "${_page}.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
endfunction()
