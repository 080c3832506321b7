# A text installed compressed, as Debian keeps manual pages and changelogs: aFile (relative to the
# calling folder), with @VARIABLES@ such as the version filled in, goes to aDestination under its
# name with .gz added.
# gzip -n leaves out the name and the time, so that the same sources give the same package.
function(vlp_install_compressed aFile aDestination)
  get_filename_component(name ${aFile} NAME)
  set(filled ${CMAKE_CURRENT_BINARY_DIR}/${name})
  configure_file(${aFile} ${filled} @ONLY)
  add_custom_command(
    OUTPUT ${filled}.gz
    COMMAND gzip -9nkf ${filled}
    DEPENDS ${filled}
    VERBATIM)
  add_custom_target(compress-${name} ALL DEPENDS ${filled}.gz)
  install(FILES ${filled}.gz DESTINATION ${aDestination})
endfunction()
