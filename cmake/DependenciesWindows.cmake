# The Windows build's libraries, all static so that the plug-in and
# relaycaster-host.exe import only Windows' own DLLs: libsrt with mbedtls,
# Cairo, pixman, FreeType, libpng and libsndfile from scripts/windows-deps,
# zlib from Debian's libz-mingw-w64-dev, the C and C++ runtimes and
# winpthreads from mingw-w64. The Windows build has no test programs of its
# own: the Linux build's Wine tests drive it (tests/wine).
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)

if(NOT EXISTS "${RELAYCASTER_WINDOWS_DEPS}/versions.stamp")
  message(FATAL_ERROR "No Windows libraries in ${RELAYCASTER_WINDOWS_DEPS}; run scripts/windows-deps")
endif()
set(_deps_lib ${RELAYCASTER_WINDOWS_DEPS}/lib)
set(_deps_include ${RELAYCASTER_WINDOWS_DEPS}/include)

# Windows 10 is the oldest the plug-in supports; its headers without the
# min and max macros and without the rarely used parts of windows.h.
add_compile_definitions(_WIN32_WINNT=0x0A00 WINVER=0x0A00 NOMINMAX WIN32_LEAN_AND_MEAN)
# The module's resources (fonts, logo) are compiled with windres.
enable_language(RC)
# The C++ runtime, libgcc and winpthreads go inside each binary.
add_link_options(-static)

# Named as on Linux (Dependencies.cmake), so the targets that link them
# read the same on both systems.
add_library(PkgConfig::SRT INTERFACE IMPORTED)
set_target_properties(PkgConfig::SRT PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES "${_deps_include}"
  INTERFACE_LINK_LIBRARIES
    "${_deps_lib}/libsrt.a;${_deps_lib}/libmbedtls.a;${_deps_lib}/libmbedx509.a;${_deps_lib}/libmbedcrypto.a;ws2_32;bcrypt;advapi32")

add_library(PkgConfig::FREETYPE INTERFACE IMPORTED)
set_target_properties(PkgConfig::FREETYPE PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES "${_deps_include}/freetype2"
  INTERFACE_LINK_LIBRARIES "${_deps_lib}/libfreetype.a;z")

# Cairo's image surface with its FreeType font back end and PNG functions.
add_library(PkgConfig::CAIRO INTERFACE IMPORTED)
set_target_properties(PkgConfig::CAIRO PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES "${_deps_include}/cairo;${_deps_include}/pixman-1;${_deps_include}/freetype2;${_deps_include}/libpng16"
  INTERFACE_COMPILE_DEFINITIONS CAIRO_WIN32_STATIC_BUILD
  INTERFACE_LINK_LIBRARIES
    "${_deps_lib}/libcairo.a;${_deps_lib}/libpixman-1.a;${_deps_lib}/libpng16.a;${_deps_lib}/libfreetype.a;z;gdi32;msimg32")

# The VST 3 SDK's interface headers, as on Linux.
set(VST3_SDK_ROOT "/usr/share/juce/modules/juce_audio_processors/format_types/VST3_SDK"
    CACHE PATH "Root of the VST 3 SDK (holds pluginterfaces/, base/, public.sdk/)")
if(NOT EXISTS "${VST3_SDK_ROOT}/pluginterfaces/base/funknown.h")
  message(FATAL_ERROR "No VST 3 SDK at ${VST3_SDK_ROOT}; run scripts/setup or pass -DVST3_SDK_ROOT=")
endif()
