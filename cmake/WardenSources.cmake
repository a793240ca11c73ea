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
