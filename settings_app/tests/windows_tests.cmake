# Windows checks of the program: what QV-410SettingTool.exe imports.
add_test(NAME exe_import_table
  COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DEXE=$<TARGET_FILE:QV-410SettingTool>
          -P ${CMAKE_CURRENT_SOURCE_DIR}/check_exe_imports.cmake)
set_tests_properties(exe_import_table PROPERTIES LABELS unit)
