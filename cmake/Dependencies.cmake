# System libraries, all from Debian packages (scripts/setup installs them).
# The Windows build has its own (scripts/windows-deps builds them).
if(WIN32)
  include(DependenciesWindows)
  return()
endif()
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)

pkg_check_modules(SRT REQUIRED IMPORTED_TARGET srt)
pkg_check_modules(AVCODEC REQUIRED IMPORTED_TARGET libavcodec libavutil)
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
