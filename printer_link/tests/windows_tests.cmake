# Windows-only checks of the DLL itself: what it exports and what it imports.
add_test(NAME dll_export_and_import_tables
  COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DDLL=$<TARGET_FILE:QVSettingToolDll>
          -P ${CMAKE_CURRENT_SOURCE_DIR}/check_dll_tables.cmake)
set_tests_properties(dll_export_and_import_tables PROPERTIES LABELS unit)

# The second program of the sharing test (two programs on one printer), beside the tests.
add_executable(sharing_client sharing/sharing_client.cpp)
target_link_libraries(sharing_client PRIVATE QVSettingToolDll)
add_dependencies(printer_link_tests sharing_client)
