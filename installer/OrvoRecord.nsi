; Setup program of OrvoRecord (欧沃录音机) and its notifier component.
; One script for both builds; scripts/package.sh runs it as
;   makensis -DARCH=x86|x64 -DFILES=<folder> -DVERSION_H=<orvo_version.h>
;            -DICON=<orvorecord.ico> -DOUTFILE=<setup.exe> [-DSIGN=<command>]
; FILES holds what is installed: OrvoRecord.exe, readme.txt, FAQ.txt,
; OrvoVMNotify.dll, vmminihome.htm, the MP3 encoder libmp3lame-0.dll and the
; licences of both encoders (LAME-COPYING.txt, FLAC-COPYING.txt). SIGN, when given, is a program that
; signs the file it is given; the uninstaller and the setup program go through it.
;
; The 64-bit setup is itself a 64-bit program, so everything it does (the
; folder, the registry view, the COM registration done in its own process)
; is of the 64-bit build; the 32-bit one likewise lands in the 32-bit places
; (Program Files (x86) and the 32-bit registry view on 64-bit Windows).
;
; Silent use: setup.exe /S [/DESKTOP] [/D=folder]   uninstall.exe /S

Unicode true
!if "${ARCH}" == "x64"
  Target amd64-unicode
!else if "${ARCH}" == "x86"
  Target x86-unicode
!else
  !error "ARCH must be x86 or x64"
!endif
SetCompressor /SOLID lzma
ManifestDPIAware true

; The version comes from the header CMake writes from the top CMakeLists.txt.
!searchparse /file "${VERSION_H}" `#define ORVO_VERSION_TEXT "` VERSION `"`
!searchparse /file "${VERSION_H}" `#define ORVO_VERSION_MAJOR ` V_MAJOR
!searchparse /file "${VERSION_H}" `#define ORVO_VERSION_MINOR ` V_MINOR
!searchparse /file "${VERSION_H}" `#define ORVO_VERSION_PATCH ` V_PATCH
!searchparse /file "${VERSION_H}" `#define ORVO_VERSION_TWEAK ` V_TWEAK
!searchparse /file "${VERSION_H}" `#define ORVO_COMPANY_NAME "` PUBLISHER `"`

!define PRODUCT "欧沃录音机"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\OrvoRecord"
!define MENU_FOLDER "$SMPROGRAMS\${PRODUCT}"
!define DESKTOP_LINK "$DESKTOP\${PRODUCT}.lnk"
!if "${ARCH}" == "x64"
  !define DISPLAY_NAME "${PRODUCT} (64位)"
  !define OTHER_BUILD "32位"
!else
  !define DISPLAY_NAME "${PRODUCT}"
  !define OTHER_BUILD "64位"
!endif

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "WinVer.nsh"
!include "x64.nsh"

Name "${DISPLAY_NAME} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
!if "${ARCH}" == "x64"
  InstallDir "$PROGRAMFILES64\OrvoRecord"
!else
  InstallDir "$PROGRAMFILES\OrvoRecord"
!endif
; An installed copy is upgraded where it is (a /D= on the command line wins).
InstallDirRegKey HKLM "${UNINST_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show
BrandingText "${PRODUCT} ${VERSION}"

!ifdef SIGN
  !finalize '"${SIGN}" "%1"'
  !uninstfinalize '"${SIGN}" "%1"'
!endif

VIProductVersion "${V_MAJOR}.${V_MINOR}.${V_PATCH}.${V_TWEAK}"
VIFileVersion "${V_MAJOR}.${V_MINOR}.${V_PATCH}.${V_TWEAK}"

Var WantDesktopLink  ; 1: put a shortcut on the desktop

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\OrvoRecord.exe"
!define MUI_FINISHPAGE_RUN_TEXT "立即运行${PRODUCT}"
; The finish page's second box offers the desktop shortcut.
!define MUI_FINISHPAGE_SHOWREADME ""
!define MUI_FINISHPAGE_SHOWREADME_TEXT "在桌面上创建快捷方式"
!define MUI_FINISHPAGE_SHOWREADME_FUNCTION DesktopShortcutChosen
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "SimpChinese"

VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileDescription" "${DISPLAY_NAME} 安装程序"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "LegalCopyright" "${PUBLISHER}"

; Both builds share the COM class's ProgID and the Start-menu folder, so only
; one of them may be installed at a time.
!macro RefuseBesideTheOtherBuild
  ${If} ${RunningX64}
    !if "${ARCH}" == "x64"
      SetRegView 32
    !else
      SetRegView 64
    !endif
    ReadRegStr $0 HKLM "${UNINST_KEY}" "UninstallString"
    !if "${ARCH}" == "x64"
      SetRegView 64
    !else
      SetRegView 32
    !endif
    ${If} $0 != ""
      MessageBox MB_OK|MB_ICONSTOP "此电脑上已安装${OTHER_BUILD}的${PRODUCT}。$\r$\n请先在“设置 → 应用”中卸载它，再安装本版本。" /SD IDOK
      Abort
    ${EndIf}
  ${EndIf}
!macroend

Function .onInit
  !if "${ARCH}" == "x64"
    SetRegView 64
  !endif
  ${IfNot} ${AtLeastWin7}
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT}需要 Windows 7 或更新的系统。" /SD IDOK
    Abort
  ${EndIf}
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    MessageBox MB_OK|MB_ICONSTOP "安装${PRODUCT}需要管理员权限。$\r$\n请右键单击安装程序，选择“以管理员身份运行”。" /SD IDOK
    SetErrorLevel 740  ; ERROR_ELEVATION_REQUIRED
    Quit
  ${EndIf}
  !insertmacro RefuseBesideTheOtherBuild
  StrCpy $WantDesktopLink 0
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/DESKTOP" $1
  ${IfNot} ${Errors}
    StrCpy $WantDesktopLink 1
  ${EndIf}
FunctionEnd

Function DesktopShortcutChosen
  StrCpy $WantDesktopLink 1
  Call WriteDesktopShortcut
FunctionEnd

Function WriteDesktopShortcut
  SetShellVarContext all
  CreateShortcut "${DESKTOP_LINK}" "$INSTDIR\OrvoRecord.exe" "" "$INSTDIR\OrvoRecord.exe" 0
FunctionEnd

Section "-${PRODUCT}"
  SetShellVarContext all

  ; An earlier installation in another folder is removed first, so the one
  ; entry in Settings → Apps always names everything that is installed.
  ReadRegStr $0 HKLM "${UNINST_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} $0 != $INSTDIR
  ${AndIf} ${FileExists} "$0\uninstall.exe"
    DetailPrint "卸载 $0 中的旧版本"
    ExecWait '"$0\uninstall.exe" /S _?=$0' $1
    ; Run this way the uninstaller cannot delete itself.
    Delete "$0\uninstall.exe"
    RMDir "$0"
  ${EndIf}

  SetOutPath "$INSTDIR"
  SetOverwrite on
  File "${FILES}\OrvoRecord.exe"
  File "${FILES}\readme.txt"
  File "${FILES}\FAQ.txt"
  File "${FILES}\OrvoVMNotify.dll"
  File "${FILES}\vmminihome.htm"
  File "${FILES}\libmp3lame-0.dll"
  File "${FILES}\LAME-COPYING.txt"
  File "${FILES}\FLAC-COPYING.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The DLL registers itself in this process, which has its bitness.
  ClearErrors
  RegDLL "$INSTDIR\OrvoVMNotify.dll"
  ${If} ${Errors}
    DetailPrint "OrvoVMNotify.dll 注册失败"
    MessageBox MB_OK|MB_ICONEXCLAMATION "通知组件 OrvoVMNotify.dll 注册失败。$\r$\n可稍后以管理员身份运行 regsvr32 注册它。" /SD IDOK
    SetErrorLevel 3
  ${EndIf}

  CreateDirectory "${MENU_FOLDER}"
  CreateShortcut "${MENU_FOLDER}\${PRODUCT}.lnk" "$INSTDIR\OrvoRecord.exe" "" "$INSTDIR\OrvoRecord.exe" 0
  CreateShortcut "${MENU_FOLDER}\使用说明.lnk" "$INSTDIR\readme.txt"
  CreateShortcut "${MENU_FOLDER}\卸载${PRODUCT}.lnk" "$INSTDIR\uninstall.exe"
  ${If} $WantDesktopLink == 1
    Call WriteDesktopShortcut
  ${EndIf}

  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${DISPLAY_NAME}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\OrvoRecord.exe,0"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
  !if "${ARCH}" == "x64"
    SetRegView 64
  !endif
FunctionEnd

; Removes what the setup wrote and nothing else: the recordings kept under
; %LOCALAPPDATA%\OrvoRecord, the notifier's settings and any file the user
; put into the program folder stay.
Section "Uninstall"
  SetShellVarContext all

  ClearErrors
  UnRegDLL "$INSTDIR\OrvoVMNotify.dll"
  ${If} ${Errors}
    DetailPrint "OrvoVMNotify.dll 注销失败"
  ${EndIf}

  Delete "$INSTDIR\OrvoRecord.exe"
  Delete "$INSTDIR\readme.txt"
  Delete "$INSTDIR\FAQ.txt"
  Delete "$INSTDIR\OrvoVMNotify.dll"
  Delete "$INSTDIR\vmminihome.htm"
  Delete "$INSTDIR\libmp3lame-0.dll"
  Delete "$INSTDIR\LAME-COPYING.txt"
  Delete "$INSTDIR\FLAC-COPYING.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  Delete "${MENU_FOLDER}\${PRODUCT}.lnk"
  Delete "${MENU_FOLDER}\使用说明.lnk"
  Delete "${MENU_FOLDER}\卸载${PRODUCT}.lnk"
  RMDir "${MENU_FOLDER}"
  Delete "${DESKTOP_LINK}"

  DeleteRegKey HKLM "${UNINST_KEY}"
SectionEnd
