# The project's version, from project(), in every binary: a header for the
# programs that print it, and on Windows a version resource per binary.

set(WARDEN_VERSION_HEADER_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_SOURCE_DIR}/resources/version/warden_version.h.in
               ${WARDEN_VERSION_HEADER_DIR}/warden_version.h @ONLY)

# warden_version_header(target): lets `target` include "warden_version.h".
function(warden_version_header target)
  target_include_directories(${target} PRIVATE ${WARDEN_VERSION_HEADER_DIR})
endfunction()

# warden_version_resource(target DESCRIPTION text LANGUAGE id [ICON]): gives
# a Windows binary its version resource (file and product version, company,
# description, original file name; LANGUAGE the language of its texts in
# four hex digits: 0804 Chinese, 0409 English, 0000 neutral) and, with ICON,
# the product icon as its own.
function(warden_version_resource target)
  if(NOT WIN32)
    return()
  endif()
  cmake_parse_arguments(arg "ICON" "DESCRIPTION;LANGUAGE" "" ${ARGN})
  get_target_property(type ${target} TYPE)
  if(type STREQUAL EXECUTABLE)
    set(WARDEN_FILE_TYPE VFT_APP)
    set(suffix .exe)
  else()
    set(WARDEN_FILE_TYPE VFT_DLL)
    set(suffix .dll)
  endif()
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  set(WARDEN_FILE_NAME ${name}${suffix})
  set(WARDEN_FILE_DESCRIPTION ${arg_DESCRIPTION})
  set(WARDEN_FILE_LANGUAGE 0x${arg_LANGUAGE})
  # The string block is named by language and code page (1200, UTF-16).
  set(WARDEN_FILE_BLOCK ${arg_LANGUAGE}04b0)
  set(WARDEN_FILE_ICON "")
  if(arg_ICON)
    set(WARDEN_FILE_ICON "1 ICON \"${CMAKE_SOURCE_DIR}/resources/version/warden.ico\"")
  endif()
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${CMAKE_SOURCE_DIR}/resources/version/version.rc.in ${script} @ONLY)
  target_sources(${target} PRIVATE ${script})
  if(arg_ICON)
    set_source_files_properties(${script} PROPERTIES
      OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/resources/version/warden.ico)
  endif()
endfunction()
