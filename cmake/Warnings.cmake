# Our own code builds with warnings as errors; third-party headers are included as system headers.
# GCC 12 reports false -Wrestrict positives inside std::string at -O2 (GCC bug 105651), so that
# one check is left out.
function(project_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
                                           -Wcast-align -Woverloaded-virtual
                                           -Wno-restrict -Werror)
endfunction()
