# Warnings are errors on our own code; third-party targets keep their own flags.
function(tonvo_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror
                                           -Wshadow -Wconversion -Wno-sign-conversion)
endfunction()
