# warden_add_folder_sources(): adds the .cpp files of the calling folder to
# warden_core: the portable ones, plus those ending in _win32 or _posix for
# the platform of this build.
function(warden_add_folder_sources)
  file(GLOB all CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(source IN LISTS all)
    if(source MATCHES "_(win32|posix)\\.cpp$" AND NOT source MATCHES "_${WARDEN_PLATFORM}\\.cpp$")
      continue()
    endif()
    target_sources(warden_core PRIVATE ${source})
  endforeach()
endfunction()
