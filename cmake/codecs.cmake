# The encoders, cross-built from Debian's source packages by
# scripts/build_codecs.sh into a cache outside the tree; ORVO_CODECS names
# that cache (the scripts pass it). LAME is a DLL the recorder loads at run
# time from its own folder, so only its header is compiled against and the
# DLL is copied beside the programs with both licence texts; libFLAC links
# statically.
set(ORVO_CODECS "$ENV{HOME}/.cache/orvo-deps" CACHE PATH "Folder scripts/build_codecs.sh builds the encoders into")
set(ORVO_LAME_DIR "${ORVO_CODECS}/lame-3.100-6-${CMAKE_SYSTEM_PROCESSOR}")
set(ORVO_FLAC_DIR "${ORVO_CODECS}/flac-1.4.2+ds-2-${CMAKE_SYSTEM_PROCESSOR}")
foreach(f "${ORVO_LAME_DIR}/include/lame.h" "${ORVO_LAME_DIR}/bin/libmp3lame-0.dll" "${ORVO_FLAC_DIR}/lib/libFLAC.a")
  if(NOT EXISTS "${f}")
    message(FATAL_ERROR "${f} is missing: build the encoders first (source scripts/common.sh && orvo_build_codecs)")
  endif()
endforeach()

add_library(orvo_lame_header INTERFACE)
target_include_directories(orvo_lame_header SYSTEM INTERFACE "${ORVO_LAME_DIR}/include")
add_library(orvo_flac STATIC IMPORTED)
set_target_properties(orvo_flac PROPERTIES IMPORTED_LOCATION "${ORVO_FLAC_DIR}/lib/libFLAC.a"
  INTERFACE_INCLUDE_DIRECTORIES "${ORVO_FLAC_DIR}/include" INTERFACE_COMPILE_DEFINITIONS FLAC__NO_DLL)

# Beside the programs: the DLL and the two licences.
set(ORVO_CODEC_FILES libmp3lame-0.dll LAME-COPYING.txt FLAC-COPYING.txt)
file(COPY "${ORVO_LAME_DIR}/bin/libmp3lame-0.dll" "${ORVO_LAME_DIR}/share/LAME-COPYING.txt"
  "${ORVO_FLAC_DIR}/share/FLAC-COPYING.txt" DESTINATION "${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
