# The editor's SVG reader and its XML tokenizer, built into the target so
# that they are instrumented with it.
relaycaster_fuzzer(fuzz_svg FuzzSvg.cpp)
target_sources(fuzz_svg PRIVATE
  ${CMAKE_SOURCE_DIR}/src/framework/graphics/Svg.cpp
  ${CMAKE_SOURCE_DIR}/src/framework/graphics/SvgPath.cpp
  ${CMAKE_SOURCE_DIR}/src/framework/graphics/SvgValues.cpp
  ${CMAKE_SOURCE_DIR}/src/framework/graphics/Utf8.cpp
  ${CMAKE_SOURCE_DIR}/src/framework/graphics/XmlReader.cpp)
