# The warning set for our own code; third-party targets keep their own flags. Turning warnings
# into errors is a switch: the project's presets and the test command set it, while a plain
# configure (a user or a packager with another compiler version) leaves it off.
option(TONVO_WARNINGS_AS_ERRORS "Treat compiler warnings in Tonvo's own code as errors" OFF)

function(tonvo_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                           -Wno-sign-conversion)
  if(TONVO_WARNINGS_AS_ERRORS)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
