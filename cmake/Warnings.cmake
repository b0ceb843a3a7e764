# Every target of ours builds warning-free at -Wall -Wextra.
function(relaycaster_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-missing-field-initializers)
endfunction()
