cmake_minimum_required(VERSION 3.20)
# Every DLL a program imports the usual way is resolved by the loader before
# any code of the program runs, and for any DLL outside the system's known
# ones the program's own folder comes first. So those are imported
# delay-loaded; this checks the import tables of the built programs.
#   -DOBJDUMP=... -DMODULES=a.exe;b.dll -DMANIFESTED=a.exe
# A module in MANIFESTED binds comctl32 to the side-by-side assembly through
# its manifest, which a file in its folder cannot stand in for.
set(known advapi32 clbcatq combase comdlg32 gdi32 gdiplus imagehlp imm32 kernel32 msctf msvcrt normaliz
    nsi ole32 oleaut32 psapi rpcrt4 sechost setupapi shcore shell32 shlwapi user32 wldap32 ws2_32)
set(failures "")
foreach(module ${MODULES})
  execute_process(COMMAND ${OBJDUMP} -p ${module} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
  if(failed OR NOT dump MATCHES "DLL Name: ")
    list(APPEND failures "${module}: no import table read")
    continue()
  endif()
  set(allowed ${known})
  if(module IN_LIST MANIFESTED)
    list(APPEND allowed comctl32)
  endif()
  string(REGEX MATCHALL "DLL Name: [^\r\n]+" names "${dump}")
  foreach(entry ${names})
    string(REGEX REPLACE "DLL Name: ([^ \t]+).*" "\\1" dll "${entry}")
    string(TOLOWER "${dll}" dll)
    string(REGEX REPLACE "\\.dll$" "" base "${dll}")
    if(NOT base IN_LIST allowed)
      list(APPEND failures "${module} imports ${dll}, which is not a known DLL, the usual way")
    endif()
  endforeach()
endforeach()
if(failures)
  string(REPLACE ";" "\n" text "${failures}")
  message(FATAL_ERROR "${text}")
endif()
