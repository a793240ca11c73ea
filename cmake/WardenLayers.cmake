# The core is built as one static library per layer. A layer sees the
# headers of its own folder and of the layers it links, nothing else: each
# folder is reached through an include root of its own in the build tree
# (build/<preset>/include/<folder>/<folder> links to the source folder), so
# an include against the direction does not compile.

# warden_include_root(target folder): makes `folder` includable as
# "folder/..." for `target` and whatever links it.
function(warden_include_root target folder)
  set(root ${CMAKE_BINARY_DIR}/include/${folder})
  if(NOT EXISTS ${root}/${folder})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL INTERFACE_LIBRARY)
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()

# warden_layer(folder [below...]): library warden_<folder> from the folder's
# sources for this platform, linking the layers below it.
function(warden_layer folder)
  warden_platform_files(sources ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
  add_library(warden_${folder} STATIC ${sources})
  warden_include_root(warden_${folder} ${folder})
  target_link_libraries(warden_${folder} PUBLIC ${ARGN})
endfunction()
