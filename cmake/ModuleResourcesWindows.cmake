# The Windows module's resources (src/host/ModuleResources_win.rc.in),
# included from src/host/CMakeLists.txt where _resources, the fonts and
# relaycaster_vst3_module are defined.
#
# The logo, src/resources/relaycaster-lockup.svg, is taken from the source
# tree when it is there; until then RELAYCASTER_LOGO_SVG points at a
# placeholder of the same size written into the build tree.
set(_logo_source ${CMAKE_SOURCE_DIR}/src/resources/relaycaster-lockup.svg)
if(EXISTS ${_logo_source})
  set(_logo_default ${_logo_source})
else()
  set(_logo_default ${CMAKE_CURRENT_BINARY_DIR}/placeholder-lockup.svg)
  file(WRITE ${_logo_default}
    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"316.04\" height=\"64\" viewBox=\"0 0 316.04 64\"/>\n")
endif()
set(RELAYCASTER_LOGO_SVG ${_logo_default} CACHE FILEPATH "The logo the Windows module carries as its SVG resource")

set(RELAYCASTER_RC_ROBOTO_REGULAR ${_resources}/Roboto-Regular.ttf)
set(RELAYCASTER_RC_ROBOTO_CONDENSED_BOLD ${_resources}/RobotoCondensed-Bold.ttf)
set(RELAYCASTER_RC_LOGO ${RELAYCASTER_LOGO_SVG})
set(_rc ${CMAKE_CURRENT_BINARY_DIR}/ModuleResources_win.rc)
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/ModuleResources_win.rc.in ${_rc} @ONLY)
target_sources(relaycaster_vst3_module PRIVATE ${_rc})
# windres reads the files when it runs: the fonts must be copied first.
set_source_files_properties(${_rc} PROPERTIES OBJECT_DEPENDS
  "${RELAYCASTER_RC_ROBOTO_REGULAR};${RELAYCASTER_RC_ROBOTO_CONDENSED_BOLD};${RELAYCASTER_RC_LOGO}")
