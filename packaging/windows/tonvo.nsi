; The Tonvo installer for one Windows architecture. scripts/package.sh runs makensis with:
;   VERSION  the project's version ("1.0.0")
;   ARCH     x64 or x86: the DLL's architecture, which is also the installer's own
;   STAGE    the folder holding Tonvo.dll, Tonvo.clap, the Tonvo.vst3 bundle, the guide and
;            the licence files
;   OUTFILE  the installer to write
; The installer puts the DLL and the guide into the folder that the registry value
; HKLM\SOFTWARE\VST\VSTPluginsPath of its architecture's registry view names, else into
; "Common Files\VST2" of that architecture. A later version installs over an earlier one in the
; folder that one used. Tonvo.clap and the guide go into "Common Files\CLAP", the Tonvo.vst3
; bundle into "Common Files\VST3". /S installs and uninstalls without questions.
Unicode true
!if "${ARCH}" == "x64"
  Target amd64-unicode
  !define PROGRAMS "$PROGRAMFILES64"
  !define COMMONFILES "$COMMONFILES64"
  !define VST3SYSTEM "x86_64-win"
!else
  Target x86-unicode
  !define PROGRAMS "$PROGRAMFILES32"
  !define COMMONFILES "$COMMONFILES32"
  !define VST3SYSTEM "x86-win"
!endif
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tonvo"
!define GUIDE "Tonvo User Guide.pdf"

Name "Tonvo ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
SetDateSave on
ShowInstDetails show
; The uninstaller and the licences live in a folder of their own, so the plug-in folder, which
; hosts scan, holds nothing but the plug-in and its guide.
InstallDir "${PROGRAMS}\Tonvo"

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Tonvo"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "Tonvo ${VERSION} installer (${ARCH})"
VIAddVersionKey "LegalCopyright" "Copyright (c) 2026 Brelwick"

Page license
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles
LicenseData "${STAGE}\LICENSE"

Var PluginFolder

!macro UseArchitectureView
  !if "${ARCH}" == "x64"
    SetRegView 64
  !else
    SetRegView 32
  !endif
!macroend

Function .onInit
  !insertmacro UseArchitectureView
  ; An earlier installation is upgraded where it is.
  ReadRegStr $PluginFolder HKLM "${UNINSTALL_KEY}" "PluginFolder"
  StrCmp $PluginFolder "" 0 found
  ReadRegStr $PluginFolder HKLM "SOFTWARE\VST" "VSTPluginsPath"
  StrCmp $PluginFolder "" 0 found
  StrCpy $PluginFolder "${COMMONFILES}\VST2"
found:
FunctionEnd

Section "Tonvo"
  SetOutPath $PluginFolder
  File "${STAGE}\Tonvo.dll"
  File "${STAGE}\${GUIDE}"
  ; The CLAP plug-in where CLAP hosts look, with the guide beside it.
  SetOutPath "${COMMONFILES}\CLAP"
  File "${STAGE}\Tonvo.clap"
  File "${STAGE}\${GUIDE}"
  ; The VST 3 bundle where VST 3 hosts look: the module in its system's folder, the guide in
  ; its resources.
  SetOutPath "${COMMONFILES}\VST3\Tonvo.vst3\Contents\${VST3SYSTEM}"
  File "${STAGE}\Tonvo.vst3\Contents\${VST3SYSTEM}\Tonvo.vst3"
  SetOutPath "${COMMONFILES}\VST3\Tonvo.vst3\Contents\Resources"
  File "${STAGE}\Tonvo.vst3\Contents\Resources\${GUIDE}"
  SetOutPath $INSTDIR
  File "${STAGE}\LICENSE"
  File "${STAGE}\THIRD-PARTY-NOTICES.txt"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Tonvo (VST 2 plug-in, ${ARCH})"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Brelwick"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "PluginFolder" "$PluginFolder"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
  !insertmacro UseArchitectureView
  ReadRegStr $PluginFolder HKLM "${UNINSTALL_KEY}" "PluginFolder"
FunctionEnd

Section "Uninstall"
  ; Only the files this installer put there: the plug-in folder is shared with other plug-ins.
  StrCmp $PluginFolder "" files
  Delete "$PluginFolder\Tonvo.dll"
  Delete "$PluginFolder\${GUIDE}"
  RMDir $PluginFolder
files:
  Delete "${COMMONFILES}\CLAP\Tonvo.clap"
  Delete "${COMMONFILES}\CLAP\${GUIDE}"
  RMDir "${COMMONFILES}\CLAP"
  Delete "${COMMONFILES}\VST3\Tonvo.vst3\Contents\${VST3SYSTEM}\Tonvo.vst3"
  Delete "${COMMONFILES}\VST3\Tonvo.vst3\Contents\Resources\${GUIDE}"
  RMDir "${COMMONFILES}\VST3\Tonvo.vst3\Contents\${VST3SYSTEM}"
  RMDir "${COMMONFILES}\VST3\Tonvo.vst3\Contents\Resources"
  RMDir "${COMMONFILES}\VST3\Tonvo.vst3\Contents"
  RMDir "${COMMONFILES}\VST3\Tonvo.vst3"
  RMDir "${COMMONFILES}\VST3"
  Delete "$INSTDIR\LICENSE"
  Delete "$INSTDIR\THIRD-PARTY-NOTICES.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir $INSTDIR
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
