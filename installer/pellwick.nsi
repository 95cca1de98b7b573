; Pellwick's installer. What it installs and what its uninstaller undoes,
; section by section; the uninstaller's sections come in the reverse order.
;
; Made by the build (installer/setup.cmake), which passes everything that the
; build knows:
;   VERSION    the project's version (CMakeLists.txt, project())
;   PRODUCT    the product's name, PUBLISHER the version resource's CompanyName
;   ARCH       x86 for the product; amd64 for the test build of 64-bit hosts
;   SOURCE     the staged files: pellwick.exe, pellwick-ir.exe, README.txt
;              and the Simulator folder
;   ICON, OUTFILE
;   EXTRA_FILE (optional) one more file in the program folder: the upgrade
;              test's older package has one that later versions lack
;
; Silent use: `setup.exe /S` installs the program alone, `setup.exe /S
; /SIMULATOR` the simulated Tavrix too (an upgrade keeps it when the
; installation it replaces has it); `uninstall.exe /S` removes it all.
; The maker's driver, tavrixdrv.dll, is the maker's business: the installer
; never installs, replaces or removes one outside its own Simulator folder.

!macro Required name
    !ifndef ${name}
        !error "${name} is not defined: the build passes it with -D"
    !endif
!macroend
!insertmacro Required VERSION
!insertmacro Required PRODUCT
!insertmacro Required PUBLISHER
!insertmacro Required ARCH
!insertmacro Required SOURCE
!insertmacro Required ICON
!insertmacro Required OUTFILE

Target ${ARCH}-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestSupportedOS all

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define SIMULATOR_LINK "$SMPROGRAMS\${PRODUCT} (simulated Tavrix).lnk"
!define REMOTE_LINK "$SMPROGRAMS\Tavrix Simulator.lnk"

; The product is a 32-bit program: it goes into the 32-bit Program Files
; folder, and its entry into the 32-bit registry view. The 64-bit test build
; goes where 64-bit programs go.
!if ${ARCH} == x86
    !define PROGRAM_FILES "$PROGRAMFILES32"
    !define REGISTRY_VIEW 32
!else
    !define PROGRAM_FILES "$PROGRAMFILES64"
    !define REGISTRY_VIEW 64
!endif

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "${PROGRAM_FILES}\${PRODUCT}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; ---------------------------------------------------------------------------
; Installation

; An installation already there (an older version, or this one again) is
; removed by its own uninstaller first, so that an upgrade leaves one entry
; and none of the files that only the older version had. _?= runs the
; uninstaller in place instead of from a temporary copy, so that ExecWait
; waits for it; it cannot delete itself then, which is done here.
Section "-Previous installation"
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 != ""
    ${AndIf} ${FileExists} "$0\uninstall.exe"
        DetailPrint "Removing the installation in $0"
        ExecWait '"$0\uninstall.exe" /S _?=$0'
        Delete "$0\uninstall.exe"
        RMDir "$0"
    ${EndIf}
SectionEnd

Section "${PRODUCT}" SecProgram
    SectionIn RO
    SetOutPath "$INSTDIR"
    File "${SOURCE}\pellwick.exe"
    File "${SOURCE}\pellwick-ir.exe"
    File "${SOURCE}\README.txt"
!ifdef EXTRA_FILE
    File "${SOURCE}\${EXTRA_FILE}"
!endif
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\pellwick.exe"
SectionEnd

; Pellwick on the simulated device, in a folder of its own: a simulated
; driver beside the main pellwick.exe would hide the maker's driver in the
; system folder, as the program looks in its own folder first.
Section /o "Simulated Tavrix (try ${PRODUCT} without the device)" SecSimulator
    SetOutPath "$INSTDIR\Simulator"
    File "${SOURCE}\Simulator\pellwick.exe"
    File "${SOURCE}\Simulator\tavrixdrv.dll"
    File "${SOURCE}\Simulator\tavrixctl.exe"
    File "${SOURCE}\Simulator\learnapp.exe"
    File "${SOURCE}\Simulator\tavrixsim.exe"
    CreateShortcut "${SIMULATOR_LINK}" "$INSTDIR\Simulator\pellwick.exe"
    CreateShortcut "${REMOTE_LINK}" "$INSTDIR\Simulator\tavrixsim.exe"
SectionEnd

; Last, so that the estimated size counts every file installed.
Section "-Uninstall entry"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\pellwick.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function .onInit
    SetShellVarContext all
    SetRegView ${REGISTRY_VIEW}
    ; The simulated Tavrix is chosen by /SIMULATOR, and kept by an upgrade
    ; of an installation that has it.
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 != ""
    ${AndIf} ${FileExists} "$0\Simulator\pellwick.exe"
        !insertmacro SelectSection ${SecSimulator}
    ${EndIf}
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/SIMULATOR" $1
    ${IfNot} ${Errors}
        !insertmacro SelectSection ${SecSimulator}
    ${EndIf}
FunctionEnd

; ---------------------------------------------------------------------------
; Uninstallation, in the reverse order. Every file is named: nothing else in
; these folders is touched, and a folder that still holds something stays.

Section "un.Uninstall entry"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

Section "un.Simulated Tavrix"
    Delete "${REMOTE_LINK}"
    Delete "${SIMULATOR_LINK}"
    Delete "$INSTDIR\Simulator\tavrixsim.exe"
    Delete "$INSTDIR\Simulator\learnapp.exe"
    Delete "$INSTDIR\Simulator\tavrixctl.exe"
    Delete "$INSTDIR\Simulator\tavrixdrv.dll"
    Delete "$INSTDIR\Simulator\pellwick.exe"
    RMDir "$INSTDIR\Simulator"
SectionEnd

Section "un.${PRODUCT}"
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    Delete "$INSTDIR\uninstall.exe"
!ifdef EXTRA_FILE
    Delete "$INSTDIR\${EXTRA_FILE}"
!endif
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\pellwick-ir.exe"
    Delete "$INSTDIR\pellwick.exe"
    RMDir "$INSTDIR"
SectionEnd

Function un.onInit
    SetShellVarContext all
    SetRegView ${REGISTRY_VIEW}
FunctionEnd
