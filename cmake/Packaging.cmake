# `cpack` in a build folder packs everything `cmake --install` installs: on Linux a Debian package
# of the window, the batch command, the desktop entry, the icon, the MIME types and the manual
# pages, with the copyright and the changelog every Debian package carries; in the Windows build
# an installer and a zip of the programs.
set(CPACK_PACKAGE_NAME vlp5tovxp)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "converts Vornalex 5 localization projects (.vlp) to the new format (.vxp)")
# Lines of the description within 80 columns, as Debian's tools show them.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Upgrades an old localization project with every target, row, translation,\n"
       "comment and exclusion to the new project format. The desktop tool vlp5tovxp\n"
       "opens old projects from a file manager; the batch command vlp5tovxp-cli\n"
       "converts many at once.")
set(CPACK_PACKAGE_CONTACT "Vlp5ToVXP maintainers <maintainers@vlp5tovxp.invalid>")
set(CPACK_STRIP_FILES ON)
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/WindowsPackaging.cmake)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  # The libraries the programs link come from dpkg-shlibdeps; the window also loads Qt's SVG
  # image plugins and a platform plugin, which no linker sees.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, qt6-qpa-plugins")
  # The help page opens in the desktop's browser.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
  set(docs ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_PACKAGE_NAME})
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright DESTINATION ${docs})
  # The package is native (its version has no Debian revision): its changelog is changelog.gz.
  vlp_install_compressed(${CMAKE_CURRENT_LIST_DIR}/debian/changelog ${docs})
endif()
include(CPack)
