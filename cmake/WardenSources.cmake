# warden_platform_files(out pattern): the files matching `pattern`, less
# those that end in _win32 or _posix (before the extension or before
# _test) for the other platform.
function(warden_platform_files out pattern)
  file(GLOB all CONFIGURE_DEPENDS ${pattern})
  set(kept)
  foreach(file IN LISTS all)
    if(file MATCHES "_(win32|posix)(_test)?\\.cpp$" AND NOT CMAKE_MATCH_1 STREQUAL WARDEN_PLATFORM)
      continue()
    endif()
    list(APPEND kept ${file})
  endforeach()
  set(${out} ${kept} PARENT_SCOPE)
endfunction()

# warden_add_folder_sources(): adds the calling folder's .cpp files for this
# platform to warden_core.
function(warden_add_folder_sources)
  warden_platform_files(sources ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  target_sources(warden_core PRIVATE ${sources})
endfunction()
