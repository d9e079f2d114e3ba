# Compiling through ccache, so that a second build of the same sources is mostly cache hits,
# also from a fresh clone in another folder (the test command is run that way twice in a row).
# A switch, on in the project's presets; a plain configure leaves the compiler alone. Without
# ccache installed the switch does nothing.
#
# Hits across folders need the folder out of everything ccache hashes:
#   - base_dir: ccache rewrites absolute paths under the source folder (sources, include
#     folders) relative to the build folder, which sits at the same place in every clone;
#   - the debug-prefix map: debug information names the source folder as "." instead of its
#     absolute path, so ccache need not hash the working folder either.
# Paths compiled into a test program as definitions (where the built plug-in is) still differ,
# so those few files are compiled again.
option(TONVO_CCACHE "Compile through ccache when it is installed" OFF)

if(TONVO_CCACHE)
  find_program(TONVO_CCACHE_PROGRAM ccache)
  if(TONVO_CCACHE_PROGRAM)
    set(launcher ${CMAKE_COMMAND} -E env CCACHE_BASEDIR=${PROJECT_SOURCE_DIR}
                 ${TONVO_CCACHE_PROGRAM})
    set(CMAKE_CXX_COMPILER_LAUNCHER ${launcher})
    set(CMAKE_C_COMPILER_LAUNCHER ${launcher})
    add_compile_options(-fdebug-prefix-map=${PROJECT_SOURCE_DIR}=.)
  endif()
endif()
