# High warnings everywhere; errors when TESSARY_WERROR is on (CI turns it on).
function(tessary_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                           -Wold-style-cast -Wcast-align -Woverloaded-virtual)
  if(TESSARY_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
