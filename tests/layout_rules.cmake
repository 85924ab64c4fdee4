# Fails when a source file includes a header from a folder it must not depend on:
#   base     <- nothing of ours
#   win      <- base
#   audio    <- base
#   product  <- nothing
#   notifier <- base, win, product
#   recorder feature folders <- base, win, audio, product, other features; never main_window
#   nothing outside tests/ includes tests/
set(allowed_base "base")
set(allowed_win "base|win")
set(allowed_audio "base|audio")
set(allowed_product "product")
set(allowed_notifier "base|win|product|notifier")
set(failures "")
file(GLOB_RECURSE sources RELATIVE ${ORVO_ROOT}
     ${ORVO_ROOT}/base/*.[ch]* ${ORVO_ROOT}/win/*.[ch]* ${ORVO_ROOT}/audio/*.[ch]* ${ORVO_ROOT}/product/*.[ch]*
     ${ORVO_ROOT}/notifier/*.[ch]* ${ORVO_ROOT}/recorder/*.[ch]*)
foreach(src ${sources})
  file(STRINGS ${ORVO_ROOT}/${src} includes REGEX "^#include \"[a-z_]+/")
  string(REGEX MATCH "^[a-z_]+" top ${src})
  string(REGEX MATCH "^recorder/[a-z_]+/" feature ${src})
  foreach(line ${includes})
    string(REGEX MATCH "\"([a-z_]+)/([a-z_]+/)?" m "${line}")
    set(dir ${CMAKE_MATCH_1})
    set(sub "${CMAKE_MATCH_1}/${CMAKE_MATCH_2}")
    if(dir STREQUAL "tests")
      list(APPEND failures "${src}: ${line}")
    elseif(DEFINED allowed_${top} AND NOT dir MATCHES "^(${allowed_${top}})$")
      list(APPEND failures "${src}: ${line}")
    elseif(feature AND NOT feature STREQUAL "recorder/main_window/" AND sub STREQUAL "recorder/main_window/")
      list(APPEND failures "${src}: ${line}")
    elseif(top STREQUAL "recorder" AND dir STREQUAL "notifier")
      list(APPEND failures "${src}: ${line}")
    endif()
  endforeach()
endforeach()
if(failures)
  string(REPLACE ";" "\n  " text "${failures}")
  message(FATAL_ERROR "includes that break the layout rules:\n  ${text}")
endif()
list(LENGTH sources n)
message(STATUS "layout rules hold for ${n} files")
