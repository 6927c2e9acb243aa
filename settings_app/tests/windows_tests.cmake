# Windows checks of the program: what QV-410SettingTool.exe imports, and the dialog tests on the
# Win32 backend, run under Wine on an X display.
add_test(NAME exe_import_table
  COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DEXE=$<TARGET_FILE:QV-410SettingTool>
          -P ${CMAKE_CURRENT_SOURCE_DIR}/check_exe_imports.cmake)
set_tests_properties(exe_import_table PROPERTIES LABELS unit)

# The dialog tests, on the Win32 backend.
# The self test finds its job as a resource of the module holding the code.
target_sources(settings_app_tests PRIVATE $<TARGET_OBJECTS:head_test_job_resource>)
# The dialogs' resources, as the program has them.
qv410_add_program_resources(settings_app_tests ${QV410_MANIFEST_ARCH})
target_compile_options(settings_app_tests PRIVATE
  -include ${CMAKE_CURRENT_SOURCE_DIR}/windows_test_platform.h)
set_target_properties(settings_app_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

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
