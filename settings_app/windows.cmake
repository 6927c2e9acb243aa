# The Windows program (MinGW-w64): the same dialogs on the Win32 backend of the dialog layer,
# dialogs and icon from the program's own resources, catalogs bound through the libintl the
# link library exports.

# The Win32 backend's system libraries.
target_link_libraries(settings_app_dialogs PUBLIC comctl32 gdi32 ole32 user32)

# The exports are declared as the library's own rather than imported: the same objects then link
# against the DLL's import library (the program) and against the core itself (the tests). Of
# libintl only the header: its functions come from the link library.
foreach(target settings_app_neutral settings_app_dialogs settings_app_testing)
  target_compile_definitions(${target} PRIVATE QV_BUILDING_DLL UNICODE _UNICODE)
  target_include_directories(${target} PRIVATE ${QV410_LIBINTL_PREFIX}/include)
endforeach()

add_executable(QV-410SettingTool WIN32 ${QV410_PROGRAM_SOURCES})
target_link_libraries(QV-410SettingTool PRIVATE settings_app_dialogs QVSettingToolDll)
# The wide-character GUI entry, wWinMain; the runtime linked in, so only system DLLs and the
# link library are imported.
target_link_options(QV-410SettingTool PRIVATE -municode -static)
add_dependencies(QV-410SettingTool settings_app_catalogs)

# Dialog templates, icon 128, manifest and version, generated from resources/templates.cpp.
include(${CMAKE_CURRENT_SOURCE_DIR}/resources/windows/program_resources.cmake)
# The benchmark's floor programs (bench/windows) carry the same resources, hence the cache.
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  set(QV410_MANIFEST_ARCH amd64 CACHE INTERNAL "Processor architecture of the manifest")
elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i.86|x86)$")
  set(QV410_MANIFEST_ARCH x86 CACHE INTERNAL "Processor architecture of the manifest")
else()
  set(QV410_MANIFEST_ARCH ${CMAKE_SYSTEM_PROCESSOR} CACHE INTERNAL
      "Processor architecture of the manifest")
endif()
qv410_add_program_resources(QV-410SettingTool ${QV410_MANIFEST_ARCH})

if(QV410_BUILD_TESTS)
  add_subdirectory(tests)
endif()
