# GoogleTest: the system package natively; built from Debian's googletest sources when
# cross-compiling, since no prebuilt library exists for the Windows targets.
if(CMAKE_CROSSCOMPILING)
  set(TONVO_GOOGLETEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest sources")
  if(NOT EXISTS "${TONVO_GOOGLETEST_SOURCE}/CMakeLists.txt")
    message(FATAL_ERROR "GoogleTest sources not found in ${TONVO_GOOGLETEST_SOURCE} "
                        "(Debian package 'googletest')")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory("${TONVO_GOOGLETEST_SOURCE}" googletest EXCLUDE_FROM_ALL SYSTEM)
else()
  find_package(GTest REQUIRED)
endif()

# One CTest entry per test program; under a cross build CTest runs it through the emulator.
function(tonvo_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gtest GTest::gmock)
  tonvo_warnings(${name})
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
endfunction()
