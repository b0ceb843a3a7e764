# The Windows module's resources (src/host/ModuleResources_win.rc.in): the
# fonts and the logo, compiled from the copies the bundle holds. Included
# from src/host/CMakeLists.txt, where _resources and relaycaster_vst3_module
# are defined.
set(RELAYCASTER_RC_ROBOTO_REGULAR ${_resources}/Roboto-Regular.ttf)
set(RELAYCASTER_RC_ROBOTO_CONDENSED_BOLD ${_resources}/RobotoCondensed-Bold.ttf)
set(RELAYCASTER_RC_LOGO ${_resources}/relaycaster-lockup.svg)
set(_rc ${CMAKE_CURRENT_BINARY_DIR}/ModuleResources_win.rc)
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/ModuleResources_win.rc.in ${_rc} @ONLY)
target_sources(relaycaster_vst3_module PRIVATE ${_rc})
# windres reads the files when it runs: they must be copied first.
set_source_files_properties(${_rc} PROPERTIES OBJECT_DEPENDS
  "${RELAYCASTER_RC_ROBOTO_REGULAR};${RELAYCASTER_RC_ROBOTO_CONDENSED_BOLD};${RELAYCASTER_RC_LOGO}")
