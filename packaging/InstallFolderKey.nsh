; The stock uninstaller removes the installer's own key but not the folder it made for it.
!macro RemoveInstallFolderKey
  DeleteRegKey SHCTX "${VLP_INSTALL_KEY}"
  DeleteRegKey /ifempty SHCTX "${VLP_VENDOR_KEY}"
!macroend
