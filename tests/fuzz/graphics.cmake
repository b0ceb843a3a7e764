# The text entry's key handling, built into the target so that it is
# instrumented with it.
relaycaster_fuzzer(fuzz_text_entry_keys FuzzTextEntryKeys.cpp)
target_sources(fuzz_text_entry_keys PRIVATE ${CMAKE_SOURCE_DIR}/src/framework/graphics/TextEntry.cpp)
