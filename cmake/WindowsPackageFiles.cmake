# Run by cpack on the installed tree before it is packed: the Windows packages leave out the
# manual page, which only Linux reads.
file(REMOVE_RECURSE "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/share/man")
file(GLOB left "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/share/*")
if(NOT left)
  file(REMOVE_RECURSE "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/share")
endif()
