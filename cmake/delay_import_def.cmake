cmake_minimum_required(VERSION 3.20)
# Writes a module-definition file listing every function an import library
# imports from its DLL: __imp_name (64-bit) or __imp__name@n (32-bit).
execute_process(COMMAND ${NM} ${IMPLIB} OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "cannot list ${IMPLIB}")
endif()
string(REGEX MATCHALL "[0-9a-fA-F]+ I __imp_[^\r\n]+" entries "${symbols}")
set(names "")
foreach(entry ${entries})
  string(REGEX REPLACE "^[0-9a-fA-F]+ I __imp_" "" name "${entry}")
  # 32-bit C names carry one more leading underscore.
  if(UNDERSCORED)
    string(REGEX REPLACE "^_" "" name "${name}")
  endif()
  list(APPEND names "${name}")
endforeach()
list(REMOVE_DUPLICATES names)
list(SORT names)
string(REPLACE ";" "\n" lines "${names}")
get_filename_component(folder ${DEF} DIRECTORY)
file(MAKE_DIRECTORY ${folder})
file(WRITE ${DEF} "LIBRARY ${DLL}\nEXPORTS\n${lines}\n")

# The 32-bit linker drops a stub whose name nothing calls directly, though
# its import slot points at it (code calls through the slot). Asking for
# every stub by name keeps them; KEEP is a response file for the linker.
if(KEEP)
  set(keep "")
  foreach(name ${names})
    string(APPEND keep "--undefined=_${name}\n")
  endforeach()
  file(WRITE ${KEEP} "${keep}")
endif()
