# The preset bar's "Save as" entry driven through the editor's events; the
# bar and the entry are built into the target so that they are instrumented.
relaycaster_fuzzer(fuzz_save_as_entry ${CMAKE_CURRENT_LIST_DIR}/FuzzSaveAsEntry.cpp)
target_sources(fuzz_save_as_entry PRIVATE
  ${CMAKE_SOURCE_DIR}/src/framework/graphics/TextEntry.cpp
  ${CMAKE_SOURCE_DIR}/src/framework/graphics/Utf8.cpp
  ${CMAKE_SOURCE_DIR}/src/presets/PresetBarControl.cpp
  ${CMAKE_SOURCE_DIR}/src/presets/PresetBarBehaviour.cpp
  ${CMAKE_SOURCE_DIR}/src/presets/PresetBarLayout.cpp
  ${CMAKE_SOURCE_DIR}/src/presets/NameFitter.cpp)
