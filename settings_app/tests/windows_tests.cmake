# Windows checks of the program: what QV-410SettingTool.exe imports, and the dialog tests on the
# Win32 backend, run under Wine on an X display.
add_test(NAME exe_import_table
  COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DEXE=$<TARGET_FILE:QV-410SettingTool>
          -P ${CMAKE_CURRENT_SOURCE_DIR}/check_exe_imports.cmake)
set_tests_properties(exe_import_table PROPERTIES LABELS unit)

# The dialog tests of the Linux build, on the Win32 backend.
add_executable(settings_app_tests
  test_main.cpp
  test_platform_win.cpp
  catalog_test.cpp
  dialog_layer_test.cpp
  dialog_impl_test.cpp
  main_dialog_test.cpp
  printer_info_dialog_test.cpp
  printer_set_dialog_test.cpp
  test_page_test.cpp
  text_test_dialog_test.cpp
  download_dialog_test.cpp
  dialog_input_property_test.cpp
  startup_test.cpp
  text_fit_test.cpp)
target_link_libraries(settings_app_tests PRIVATE
  settings_app_testing settings_app_dialogs printer_link_core GTest::gtest)
# The self test finds its job as a resource of the module holding the code.
target_sources(settings_app_tests PRIVATE $<TARGET_OBJECTS:head_test_job_resource>)
# The dialogs' resources, as the program has them.
qv410_add_program_resources(settings_app_tests ${QV410_MANIFEST_ARCH})
target_compile_options(settings_app_tests PRIVATE
  -include ${CMAKE_CURRENT_SOURCE_DIR}/windows_test_platform.h)
target_compile_definitions(settings_app_tests PRIVATE
  QV_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
  QV_PARTIAL_CATALOG_DIR="${CMAKE_CURRENT_BINARY_DIR}/partial_lang/"
  QV_PROGRAM="$<TARGET_FILE:QV-410SettingTool>")
set_target_properties(settings_app_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# A catalog without a few ids, built from the English one, for the untranslated-id behaviour.
set(PARTIAL_DIR ${CMAKE_CURRENT_BINARY_DIR}/partial_lang)
set(PARTIAL_MO ${PARTIAL_DIR}/en/LC_MESSAGES/PrinterConfig.mo)
set(PARTIAL_MISSING
  PO_IDC_BUTTON_ADD_PRINTER PO_IDC_BUTTON_SHOW_PRINTER_INFO PO_GSTR_PRINTER PO_GSTR_SUCCESS
  PO_IDC_STATIC_PRINTER_TYPE PO_IDC_STATIC_LABEL_HEIGHT PO_QV_PRINT_STATUS_READY
  PO_GSTR_THERMAL PO_GSTR_ENABLE PO_GSTR_RECEIPT PO_PRINTER_SET_DLG_USER_DEF)
list(JOIN PARTIAL_MISSING "|" PARTIAL_PATTERN)
find_program(MSGGREP_EXECUTABLE msggrep REQUIRED)
add_custom_command(OUTPUT ${PARTIAL_MO}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PARTIAL_DIR}/en/LC_MESSAGES
  COMMAND ${MSGGREP_EXECUTABLE} --invert-match --msgid -E -e "^(${PARTIAL_PATTERN})$"
          -o ${CMAKE_CURRENT_BINARY_DIR}/partial.po ${PROJECT_SOURCE_DIR}/settings_app/lang/en.po
  COMMAND ${MSGFMT_EXECUTABLE} --check -o ${PARTIAL_MO} ${CMAKE_CURRENT_BINARY_DIR}/partial.po
  DEPENDS ${PROJECT_SOURCE_DIR}/settings_app/lang/en.po
  COMMENT "Building the partial test catalog"
  VERBATIM)
add_custom_target(settings_app_partial_catalog DEPENDS ${PARTIAL_MO})
add_dependencies(settings_app_tests settings_app_partial_catalog settings_app_catalogs
  QV-410SettingTool)

# Windows converts the catalogs' texts through the code page a process starts with, and takes
# the user's number formatting from the language the process starts in (under Wine: from LANG):
# the Chinese cases run in a process of their own started in Chinese, the cases of a comma
# decimal separator in one started in German, the rest in English. Left out, for a reason only
# one platform has:
# - FontFollowsTheLanguage: the Win32 templates name "MS Shell Dlg", which Windows maps per
#   language; the Qt backend picks the families itself.
set(QV410_CHINESE_LOCALE_CASES
  "Locale.LanguageChosenByTheUserComesFirstInTheCLocale:Locale.LanguageOfTheLocaleStillWinsOverTheEnglishFallback")
set(QV410_CHINESE_CASES "*Chinese*:*zh_CN*:Locales/CompiledCatalog.*/Case1:${QV410_CHINESE_LOCALE_CASES}")
set(QV410_COMMA_CASES "*CommaLocale*:Locale.InstalledLanguageWithoutCatalogFallsBackToEnglish")
set(QV410_NOT_ON_WINDOWS "*FontFollowsTheLanguage*")
add_test(NAME settings_app_dialogs_english
  COMMAND settings_app_tests
          --gtest_filter=-${QV410_CHINESE_CASES}:${QV410_COMMA_CASES}:${QV410_NOT_ON_WINDOWS})
add_test(NAME settings_app_dialogs_chinese
  COMMAND settings_app_tests --gtest_filter=${QV410_CHINESE_CASES}-${QV410_NOT_ON_WINDOWS})
add_test(NAME settings_app_dialogs_comma
  COMMAND settings_app_tests --gtest_filter=${QV410_COMMA_CASES}-${QV410_NOT_ON_WINDOWS})
set_tests_properties(settings_app_dialogs_english PROPERTIES LABELS app TIMEOUT 600
  ENVIRONMENT "LANG=en_US.UTF-8;LC_ALL=;QV410_DEVICE=simulator")
set_tests_properties(settings_app_dialogs_chinese PROPERTIES LABELS app TIMEOUT 600
  ENVIRONMENT "LANG=zh_CN.UTF-8;LC_ALL=;QV410_DEVICE=simulator")
set_tests_properties(settings_app_dialogs_comma PROPERTIES LABELS app TIMEOUT 600
  ENVIRONMENT "LANG=de_DE.UTF-8;LC_ALL=;QV410_DEVICE=simulator")
