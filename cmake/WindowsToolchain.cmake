# Cross-compiling for Windows x86-64 with Debian's mingw-w64 (POSIX thread
# model, so std::thread and std::mutex work). Used by the `windows` preset
# and by scripts/windows-deps for the libraries it builds.
#
# The static libraries the Windows build links (libsrt with mbedtls, Cairo,
# pixman, FreeType, libpng, libsndfile) come from scripts/windows-deps under
# RELAYCASTER_WINDOWS_DEPS; zlib comes from Debian's libz-mingw-w64-dev.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(RELAYCASTER_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${RELAYCASTER_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RELAYCASTER_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${RELAYCASTER_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${RELAYCASTER_MINGW_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${RELAYCASTER_MINGW_TRIPLE}-ranlib CACHE FILEPATH "")

if(NOT RELAYCASTER_WINDOWS_DEPS)
  get_filename_component(RELAYCASTER_WINDOWS_DEPS
    "${CMAKE_CURRENT_LIST_DIR}/../build/windows-deps/${RELAYCASTER_MINGW_TRIPLE}/prefix" ABSOLUTE)
endif()
set(RELAYCASTER_WINDOWS_DEPS "${RELAYCASTER_WINDOWS_DEPS}" CACHE PATH "Prefix of the Windows libraries scripts/windows-deps builds")

set(CMAKE_FIND_ROOT_PATH ${RELAYCASTER_WINDOWS_DEPS} /usr/${RELAYCASTER_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config sees only the Windows libraries, never the build machine's.
set(ENV{PKG_CONFIG_LIBDIR} "${RELAYCASTER_WINDOWS_DEPS}/lib/pkgconfig:/usr/${RELAYCASTER_MINGW_TRIPLE}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
