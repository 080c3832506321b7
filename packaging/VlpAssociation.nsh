; Old projects open in the window: a class of their own whose default verb, "open", converts, so
; that a double click and "start demo.vlp" both reach the window; listed for .vlp under "Open
; with". A .vlp that another program already opens stays with it.
!include LogicLib.nsh

!define VLP_CLASS "Software\Classes\Vlp5ToVXP.vlp"
!define VLP_EXTENSION "Software\Classes\.vlp"

!macro WriteVlpAssociation
  WriteRegStr SHCTX "${VLP_CLASS}" "" "Vornalex 5 project"
  WriteRegStr SHCTX "${VLP_CLASS}\DefaultIcon" "" "$INSTDIR\bin\vlp5tovxp.exe,0"
  WriteRegStr SHCTX "${VLP_CLASS}\shell" "" "open"
  WriteRegStr SHCTX "${VLP_CLASS}\shell\open" "" "Convert with Vlp5ToVXP"
  WriteRegStr SHCTX "${VLP_CLASS}\shell\open\command" "" '"$INSTDIR\bin\vlp5tovxp.exe" "%1"'
  ; Without it Explorer offers the verb for no more than 15 selected projects; it starts the
  ; program once per project, and the first window converts them all.
  WriteRegStr SHCTX "${VLP_CLASS}\shell\open" "MultiSelectModel" "Player"
  WriteRegStr SHCTX "${VLP_EXTENSION}\OpenWithProgids" "Vlp5ToVXP.vlp" ""
  ReadRegStr $0 HKCR ".vlp" ""
  ${If} $0 == ""
    WriteRegStr SHCTX "${VLP_EXTENSION}" "" "Vlp5ToVXP.vlp"
  ${EndIf}
  ; Explorer shows the new verb without a restart.
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
!macroend

!macro RemoveVlpAssociation
  ReadRegStr $0 SHCTX "${VLP_EXTENSION}" ""
  ${If} $0 == "Vlp5ToVXP.vlp"
    DeleteRegValue SHCTX "${VLP_EXTENSION}" ""
  ${EndIf}
  DeleteRegValue SHCTX "${VLP_EXTENSION}\OpenWithProgids" "Vlp5ToVXP.vlp"
  DeleteRegKey /ifempty SHCTX "${VLP_EXTENSION}\OpenWithProgids"
  DeleteRegKey /ifempty SHCTX "${VLP_EXTENSION}"
  DeleteRegKey SHCTX "${VLP_CLASS}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
!macroend
