# Our own code builds with warnings as errors; third-party headers are included as system headers.
# GCC 12 reports false -Wrestrict and -Wstringop-overflow positives inside std::string and
# std::vector at -O2 (GCC bugs 105651, 106199), so those two checks are left out.
function(project_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
                                           -Wcast-align -Woverloaded-virtual
                                           -Wno-restrict -Wno-stringop-overflow -Werror)
endfunction()
