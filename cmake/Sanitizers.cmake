# RELAYCASTER_SANITIZE selects an instrumented build for the whole tree
# (the asan and tsan presets set it).
if(RELAYCASTER_SANITIZE)
  list(JOIN RELAYCASTER_SANITIZE "," _sanitizers)
  add_compile_options(-fsanitize=${_sanitizers} -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=${_sanitizers})
  if("undefined" IN_LIST RELAYCASTER_SANITIZE)
    add_compile_options(-fno-sanitize-recover=undefined)
  endif()
endif()
