# Writes orvo_version.h from the version given to project() and from
# ORVO_NOTIFIER_VERSION, and puts it on every include path (C++, resource
# scripts). The setup script reads the same header.

string(REPLACE "." ";" _orvo_notifier_parts "${ORVO_NOTIFIER_VERSION}")
list(LENGTH _orvo_notifier_parts _orvo_count)
if(NOT _orvo_count EQUAL 4)
  message(FATAL_ERROR "ORVO_NOTIFIER_VERSION must have four parts: ${ORVO_NOTIFIER_VERSION}")
endif()
list(GET _orvo_notifier_parts 0 ORVO_NOTIFIER_VERSION_MAJOR)
list(GET _orvo_notifier_parts 1 ORVO_NOTIFIER_VERSION_MINOR)
list(GET _orvo_notifier_parts 2 ORVO_NOTIFIER_VERSION_PATCH)
list(GET _orvo_notifier_parts 3 ORVO_NOTIFIER_VERSION_BUILD)
# The component writes its version as major.minor.build with the build
# number in four digits ("1.120.0200").
string(LENGTH "${ORVO_NOTIFIER_VERSION_BUILD}" _orvo_len)
set(ORVO_NOTIFIER_VERSION_TEXT "${ORVO_NOTIFIER_VERSION_BUILD}")
while(_orvo_len LESS 4)
  string(PREPEND ORVO_NOTIFIER_VERSION_TEXT "0")
  math(EXPR _orvo_len "${_orvo_len} + 1")
endwhile()
set(ORVO_NOTIFIER_VERSION_TEXT
    "${ORVO_NOTIFIER_VERSION_MAJOR}.${ORVO_NOTIFIER_VERSION_MINOR}.${ORVO_NOTIFIER_VERSION_TEXT}")

foreach(part MAJOR MINOR PATCH TWEAK)
  if("${PROJECT_VERSION_${part}}" STREQUAL "")
    set(ORVO_VERSION_${part} 0)
  else()
    set(ORVO_VERSION_${part} ${PROJECT_VERSION_${part}})
  endif()
endforeach()

set(ORVO_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/orvo_version.h.in ${ORVO_GENERATED_DIR}/orvo_version.h @ONLY)
include_directories(${ORVO_GENERATED_DIR})
