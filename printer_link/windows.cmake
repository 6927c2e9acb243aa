# Windows build of the library (MinGW-w64): libintl linked into the DLL only and re-exported, so
# the program binds the very state the library looks up in; the C runtime and the C++ library
# linked statically, so the DLL imports only system DLLs.
set(QV410_LIBINTL_PREFIX "" CACHE PATH "Static libintl for the target (include/libintl.h, lib/libintl.a)")
if(NOT EXISTS "${QV410_LIBINTL_PREFIX}/lib/libintl.a" OR NOT EXISTS "${QV410_LIBINTL_PREFIX}/include/libintl.h")
  message(FATAL_ERROR "QV410_LIBINTL_PREFIX must hold include/libintl.h and lib/libintl.a")
endif()
add_library(qv_libintl STATIC IMPORTED)
set_target_properties(qv_libintl PROPERTIES
  IMPORTED_LOCATION ${QV410_LIBINTL_PREFIX}/lib/libintl.a
  INTERFACE_INCLUDE_DIRECTORIES ${QV410_LIBINTL_PREFIX}/include)

target_link_libraries(printer_link_core PUBLIC qv_libintl setupapi)
# The core defines the exports; whatever links it directly (the DLL, the unit tests) sees them as
# its own rather than imported.
target_compile_definitions(printer_link_core PUBLIC QV_BUILDING_DLL UNICODE _UNICODE)

function(windows_dll_settings target)
  target_sources(${target} PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/QVSettingToolDll.def
    $<TARGET_OBJECTS:head_test_job_resource>)
  # The exact file name callers load: no "lib" prefix.
  set_target_properties(${target} PROPERTIES PREFIX "" IMPORT_PREFIX "")
  target_link_options(${target} PRIVATE -static)
endfunction()
