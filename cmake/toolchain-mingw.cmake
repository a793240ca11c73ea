# Cross build for Windows with mingw-w64; the including toolchain file sets
# WARDEN_MINGW_ARCH. The posix thread flavour gives std::thread and
# std::mutex; everything is linked statically so the outputs need only
# system DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${WARDEN_MINGW_ARCH})
set(WARDEN_MINGW_TRIPLE ${WARDEN_MINGW_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${WARDEN_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${WARDEN_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${WARDEN_MINGW_TRIPLE}-windres)
set(WARDEN_WIDL ${WARDEN_MINGW_TRIPLE}-widl)
set(CMAKE_FIND_ROOT_PATH /usr/${WARDEN_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
