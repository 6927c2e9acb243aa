# The Windows program's resources (dialogs, icon 128, manifest, version), generated at build time
# from resources/templates.cpp and app_icon.xpm by a program that runs on the build machine:
#
#   include(<this file>)
#   qv410_add_program_resources(<target> <processor-architecture>)   # amd64, x86 or arm64
#
# In a native build the generator is an ordinary target. In a cross build it is compiled with
# the build machine's compiler (QV410_HOST_CXX) from the same sources, so a changed template
# rebuilds it and regenerates the script; QV410_RC_GENERATOR names a ready-built one instead.
include_guard(GLOBAL)

set(QV410_PROGRAM_RESOURCES_DIR ${CMAKE_CURRENT_LIST_DIR})
get_filename_component(_qv410_app_dir ${CMAKE_CURRENT_LIST_DIR}/../.. ABSOLUTE)
set(_qv410_rc_generator_sources
  ${QV410_PROGRAM_RESOURCES_DIR}/generate_program_resources.cpp
  ${QV410_PROGRAM_RESOURCES_DIR}/program_resources.cpp
  ${_qv410_app_dir}/resources/templates.cpp)
set(_qv410_rc_generator_headers
  ${QV410_PROGRAM_RESOURCES_DIR}/program_resources.h
  ${_qv410_app_dir}/resources/resource_ids.h
  ${_qv410_app_dir}/resources/app_icon.xpm
  ${_qv410_app_dir}/src/ui/dialog_template.h
  ${_qv410_app_dir}/src/ui/win_defs.h)
set(_qv410_rc_generator_includes
  ${QV410_PROGRAM_RESOURCES_DIR} ${_qv410_app_dir}/resources ${_qv410_app_dir}/src)

if(NOT CMAKE_CROSSCOMPILING)
  add_executable(qv410_rc_generator ${_qv410_rc_generator_sources})
  target_include_directories(qv410_rc_generator PRIVATE ${_qv410_rc_generator_includes})
elseif(QV410_RC_GENERATOR)
  add_executable(qv410_rc_generator IMPORTED GLOBAL)
  set_target_properties(qv410_rc_generator PROPERTIES IMPORTED_LOCATION ${QV410_RC_GENERATOR})
else()
  find_program(QV410_HOST_CXX NAMES g++ c++ clang++ NO_CMAKE_FIND_ROOT_PATH
    DOC "C++ compiler of the build machine, for the resource generator")
  if(NOT QV410_HOST_CXX)
    message(FATAL_ERROR "The resource generator needs a C++ compiler for this machine: set QV410_HOST_CXX")
  endif()
  # Not named like the imported target below: CMake would take a dependency on that name for
  # one on the target and drop the rule that builds the file.
  set(_qv410_generator ${CMAKE_BINARY_DIR}/host/qv410-rc-generator)
  set(_qv410_include_flags)
  set(_qv410_host_warnings -Wall -Wextra)
  if(QV410_WERROR)
    list(APPEND _qv410_host_warnings -Werror)
  endif()
  foreach(dir ${_qv410_rc_generator_includes})
    list(APPEND _qv410_include_flags -I${dir})
  endforeach()
  add_custom_command(OUTPUT ${_qv410_generator}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host
    COMMAND ${QV410_HOST_CXX} -std=c++20 -O2 ${_qv410_host_warnings} ${_qv410_include_flags}
            -o ${_qv410_generator} ${_qv410_rc_generator_sources}
    DEPENDS ${_qv410_rc_generator_sources} ${_qv410_rc_generator_headers}
    COMMENT "Building the resource generator for this machine"
    VERBATIM)
  add_custom_target(qv410_rc_generator_host DEPENDS ${_qv410_generator})
  add_executable(qv410_rc_generator IMPORTED GLOBAL)
  set_target_properties(qv410_rc_generator PROPERTIES IMPORTED_LOCATION ${_qv410_generator})
endif()
# The function may be called from any directory: what it needs is kept globally.
set_property(GLOBAL PROPERTY QV410_RC_GENERATOR_INPUTS
  ${_qv410_rc_generator_sources} ${_qv410_rc_generator_headers})
if(TARGET qv410_rc_generator_host)
  set_property(GLOBAL PROPERTY QV410_RC_GENERATOR_DEPENDS qv410_rc_generator_host ${_qv410_generator})
else()
  set_property(GLOBAL PROPERTY QV410_RC_GENERATOR_DEPENDS qv410_rc_generator)
endif()

function(qv410_add_program_resources target architecture)
  if(NOT architecture MATCHES "^(amd64|x86|arm64)$")
    message(FATAL_ERROR "qv410_add_program_resources: architecture '${architecture}' is not amd64, x86 or arm64")
  endif()
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources)
  set(rc ${out}/program.rc)
  set(generated ${rc} ${out}/app_icon.ico ${out}/program.manifest)
  get_property(inputs GLOBAL PROPERTY QV410_RC_GENERATOR_INPUTS)
  get_property(generator GLOBAL PROPERTY QV410_RC_GENERATOR_DEPENDS)
  add_custom_command(OUTPUT ${generated}
    COMMAND qv410_rc_generator ${architecture} ${PROJECT_VERSION} ${out}
    DEPENDS ${inputs} ${generator}
    COMMENT "Generating the ${architecture} resources of ${target}"
    VERBATIM)
  # windres reads the icon and the manifest named in the script.
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${out}/app_icon.ico;${out}/program.manifest")
  target_sources(${target} PRIVATE ${rc})
endfunction()

# Under Wine (or on Windows): the resources as the loader and the dialog manager read them.
if(WIN32 AND QV410_BUILD_TESTS)
  add_executable(program_resources_wine_test
    ${QV410_PROGRAM_RESOURCES_DIR}/resources_wine_test.cpp ${_qv410_app_dir}/resources/templates.cpp)
  target_include_directories(program_resources_wine_test PRIVATE ${_qv410_rc_generator_includes})
  target_link_libraries(program_resources_wine_test PRIVATE GTest::gtest_main comctl32 version)
  target_compile_definitions(program_resources_wine_test PRIVATE QV410_VERSION="${PROJECT_VERSION}")
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    qv410_add_program_resources(program_resources_wine_test amd64)
  else()
    qv410_add_program_resources(program_resources_wine_test x86)
  endif()
  add_test(NAME program_resources_wine COMMAND program_resources_wine_test)
  set_tests_properties(program_resources_wine PROPERTIES LABELS wine TIMEOUT 120
    SKIP_REGULAR_EXPRESSION "no window can be created here")
endif()
