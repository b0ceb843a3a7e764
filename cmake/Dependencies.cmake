# System libraries, all from Debian packages (scripts/setup installs them).
# The Windows build has its own (scripts/windows-deps builds them).
if(WIN32)
  include(DependenciesWindows)
  return()
endif()
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)

pkg_check_modules(SRT REQUIRED IMPORTED_TARGET srt)
# libavcodec with only its AAC encoder, linked statically: Debian's shared
# one brings GLib and Pango into the host's process. scripts/linux-deps
# builds it from Debian's ffmpeg source (scripts/setup runs it).
set(RELAYCASTER_LINUX_DEPS "${CMAKE_SOURCE_DIR}/build/linux-deps/prefix"
    CACHE PATH "Where scripts/linux-deps installs the AAC encoder's static libavcodec")
if(NOT EXISTS "${RELAYCASTER_LINUX_DEPS}/lib/libavcodec.a")
  message(FATAL_ERROR "No static libavcodec in ${RELAYCASTER_LINUX_DEPS}; run scripts/setup")
endif()
add_library(relaycaster_avcodec INTERFACE)
target_include_directories(relaycaster_avcodec SYSTEM INTERFACE "${RELAYCASTER_LINUX_DEPS}/include")
target_link_libraries(relaycaster_avcodec INTERFACE
  "${RELAYCASTER_LINUX_DEPS}/lib/libavcodec.a" "${RELAYCASTER_LINUX_DEPS}/lib/libavutil.a" m Threads::Threads)
find_package(CURL REQUIRED)
# The editor draws with Cairo, its text through FreeType.
pkg_check_modules(CAIRO REQUIRED IMPORTED_TARGET cairo cairo-ft freetype2)

if(RELAYCASTER_TESTS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()
if(RELAYCASTER_BENCHMARKS)
  find_package(benchmark REQUIRED)
endif()

# The VST 3 SDK's interface headers. Debian ships them inside its JUCE
# modules; any other copy of the SDK works through -DVST3_SDK_ROOT=.
set(VST3_SDK_ROOT "/usr/share/juce/modules/juce_audio_processors/format_types/VST3_SDK"
    CACHE PATH "Root of the VST 3 SDK (holds pluginterfaces/, base/, public.sdk/)")
if(NOT EXISTS "${VST3_SDK_ROOT}/pluginterfaces/base/funknown.h")
  message(FATAL_ERROR "No VST 3 SDK at ${VST3_SDK_ROOT}; run scripts/setup or pass -DVST3_SDK_ROOT=")
endif()
