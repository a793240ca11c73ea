# Windows i686 with mingw-w64.
set(WARDEN_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
