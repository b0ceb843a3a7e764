# The text entry's key handling, built into the target so that it is
# instrumented with it.
relaycaster_fuzzer(fuzz_text_entry_keys FuzzTextEntryKeys.cpp)
target_sources(fuzz_text_entry_keys PRIVATE ${CMAKE_SOURCE_DIR}/src/framework/graphics/TextEntry.cpp
  ${CMAKE_SOURCE_DIR}/src/framework/graphics/Utf8.cpp)

# The editor window's parser of the desktop's X resources, built into the
# target so that it is instrumented with it.
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  relaycaster_fuzzer(fuzz_x_resources FuzzXResources.cpp)
  target_sources(fuzz_x_resources PRIVATE ${CMAKE_SOURCE_DIR}/src/framework/graphics/XResources_linux.cpp)
endif()
