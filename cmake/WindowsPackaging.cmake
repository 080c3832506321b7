# The Windows build packs the programs twice: `vlp5tovxp-setup.exe`, an installer for all users
# of the machine (the stock installer asks for administrator rights) with a Start menu entry and
# the .vlp association for the window and an uninstaller; and a zip to unpack anywhere.
set(CPACK_GENERATOR "NSIS;ZIP")
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_PACKAGE_VENDOR Vlp5ToVXP)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Vlp5ToVXP)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Vlp5ToVXP)
set(CPACK_NSIS_PACKAGE_NAME Vlp5ToVXP)
set(CPACK_NSIS_DISPLAY_NAME "Vlp5ToVXP ${PROJECT_VERSION}")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
# Installing again replaces the installed version instead of leaving it behind.
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# The programs are 64-bit, and so is the installer, which then sees the 64-bit registry and
# Program Files.
set(CPACK_NSIS_DEFINES
    "Target amd64-unicode
!define VLP_VENDOR_KEY \"Software\\${CPACK_PACKAGE_VENDOR}\"
!define VLP_INSTALL_KEY \"Software\\${CPACK_PACKAGE_VENDOR}\\${CPACK_PACKAGE_INSTALL_REGISTRY_KEY}\"
!include \"${PROJECT_SOURCE_DIR}/packaging/VlpAssociation.nsh\"
!include \"${PROJECT_SOURCE_DIR}/packaging/InstallFolderKey.nsh\"")
# The installer's name stays the same from release to release; the zip carries the version.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/WindowsPackageNames.cmake)
# The manual page is for Linux; the Windows packages carry the programs alone.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/WindowsPackageFiles.cmake)

if(TARGET vlp5tovxp)
  set(CPACK_PACKAGE_EXECUTABLES vlp5tovxp Vlp5ToVXP)
  set(CPACK_NSIS_INSTALLED_ICON_NAME "bin\\vlp5tovxp.exe")
  set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "!insertmacro WriteVlpAssociation")
  set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "!insertmacro RemoveVlpAssociation\n")
endif()
string(APPEND CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "!insertmacro RemoveInstallFolderKey")
