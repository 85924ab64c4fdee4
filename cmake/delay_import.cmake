# A DLL that is not one of the system's known DLLs is looked for in the
# program's own folder first when it is imported the usual way, before any
# code of the program runs: a file of that name planted beside a copy of the
# program would run with it. The programs import such DLLs delay-loaded
# instead; the first call loads them from the system folder (see
# base/system_folders). Test programs keep the usual import.
#
#   orvo_delay_import(winmm)   makes the target orvo_import_winmm, which
#                              libraries link instead of winmm
#   set_property(TARGET prog APPEND PROPERTY ORVO_DELAY_LOAD winmm)
#                              prog imports winmm.dll delay-loaded
#
# The delay-load library is made from the toolchain's own import library, so
# every export it lists (with its stdcall decoration on 32-bit) is available.
function(orvo_delay_import dll)
  find_library(ORVO_IMPLIB_${dll} NAMES lib${dll}.a ${dll} REQUIRED)
  set(def ${CMAKE_BINARY_DIR}/delay/${dll}.def)
  # On 32-bit the DLL exports plain names for the decorated stdcall ones.
  set(underscored OFF)
  set(kill_at "")
  set(keep "")
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(underscored ON)
    set(kill_at --kill-at)
    set(keep ${CMAKE_BINARY_DIR}/delay/${dll}.keep)
  endif()
  set(lib ${CMAKE_BINARY_DIR}/delay/lib${dll}_delay.a)
  add_custom_command(OUTPUT ${lib}
    COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DIMPLIB=${ORVO_IMPLIB_${dll}} -DDLL=${dll}.dll -DDEF=${def}
            -DUNDERSCORED=${underscored} -DKEEP=${keep} -P ${CMAKE_SOURCE_DIR}/cmake/delay_import_def.cmake
    COMMAND ${ORVO_DLLTOOL} --input-def ${def} --dllname ${dll}.dll --output-delaylib ${lib} ${kill_at}
    DEPENDS ${ORVO_IMPLIB_${dll}} ${CMAKE_SOURCE_DIR}/cmake/delay_import_def.cmake
    COMMENT "Delay-load library for ${dll}.dll")
  add_custom_target(orvo_delay_${dll} DEPENDS ${lib})
  add_library(orvo_import_${dll} INTERFACE)
  add_dependencies(orvo_import_${dll} orvo_delay_${dll})
  set(delayed "$<IN_LIST:${dll},$<TARGET_PROPERTY:ORVO_DELAY_LOAD>>")
  target_link_libraries(orvo_import_${dll} INTERFACE "$<IF:${delayed},${lib},${dll}>")
  if(keep)
    target_link_libraries(orvo_import_${dll} INTERFACE "$<${delayed}:-Wl,@${keep}>")
  endif()
endfunction()

get_filename_component(ORVO_TOOL_PREFIX ${CMAKE_NM} NAME)
string(REGEX REPLACE "nm$" "dlltool" ORVO_DLLTOOL_NAME ${ORVO_TOOL_PREFIX})
get_filename_component(ORVO_TOOL_DIR ${CMAKE_NM} DIRECTORY)
find_program(ORVO_DLLTOOL NAMES ${ORVO_DLLTOOL_NAME} HINTS ${ORVO_TOOL_DIR} REQUIRED)
