# GoogleTest built from source for the target (a cross build finds no installed copy), under the
# names find_package(GTest) gives.
set(QV410_GTEST_SOURCE_DIR "" CACHE PATH "GoogleTest source tree (Debian: /usr/src/googletest)")
if(NOT IS_DIRECTORY "${QV410_GTEST_SOURCE_DIR}")
  message(FATAL_ERROR "Set QV410_GTEST_SOURCE_DIR to a GoogleTest source tree")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
# Its own code is not held to our warning flags.
add_subdirectory(${QV410_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
foreach(target gtest gtest_main gmock gmock_main)
  target_compile_options(${target} PRIVATE -Wno-error)
  if(NOT TARGET GTest::${target})
    add_library(GTest::${target} ALIAS ${target})
  endif()
endforeach()
