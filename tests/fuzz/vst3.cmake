# The VST 3 binding's text and layout readers, and the command-line host's
# editor of the SRT texts inside a saved state, built into the target so
# that they are instrumented with it.
relaycaster_fuzzer(fuzz_vst3_text FuzzVst3Text.cpp)
target_sources(fuzz_vst3_text PRIVATE
  ${CMAKE_SOURCE_DIR}/src/framework/vst3/Utf16.cpp
  ${CMAKE_SOURCE_DIR}/src/framework/vst3/BusLayout.cpp
  ${CMAKE_SOURCE_DIR}/src/framework/vst3/ParameterTable.cpp
  ${CMAKE_SOURCE_DIR}/tools/relaycaster-host/SrtTextsInState.cpp)
target_include_directories(fuzz_vst3_text PRIVATE ${CMAKE_SOURCE_DIR}/tools/relaycaster-host)
target_link_libraries(fuzz_vst3_text PRIVATE relaycaster_vst3_sdk)
