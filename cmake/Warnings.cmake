# Our own code builds with warnings as errors; third-party headers are included as system headers.
function(project_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
                                           -Wcast-align -Woverloaded-virtual
                                           -Werror)
endfunction()
