cmake_minimum_required(VERSION 3.25)
# The DLL exports the C API and the four libintl functions the program binds its catalog with,
# nothing else; and it imports from system DLLs only (runtime linked in statically).
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE table RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} -p ${DLL} failed")
endif()

string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n(([ \t]+\\[ *[0-9]+\\] [A-Za-z_0-9]+\n)*)" names "${table}")
string(REGEX MATCHALL "\\] [A-Za-z_0-9]+" exported "${CMAKE_MATCH_1}")
list(TRANSFORM exported REPLACE "\\] " "")
list(SORT exported)
set(expected
  BaseDownloadFirmware BaseGetPOText BaseGetQVError BaseGetQVErrorString GetSettingResult
  QVBadPointCheck QVGetPrinterFirmwareVer QVGetPrinterInfo QVGetPrinterIsOK
  QVGetPrinterPrintSettingParam QVGetPrinterPrintedLen QVGetPrinterSerialNum QVGetPrinterType
  QVLabelLackPaperLearn QVListPrinterPaths QVSelectPrinterPath QVRestoreFactorySettings QVSelfTestPrint QVSetDumpMode
  QVSetLocationSetting QVSetPrintSetting QVSetUserDefSetting QVTextTestPrint USBCheckConnection
  libintl_bind_textdomain_codeset libintl_bindtextdomain libintl_gettext libintl_textdomain)
list(SORT expected)
if(NOT exported STREQUAL expected)
  message(FATAL_ERROR "exports differ\n  expected: ${expected}\n  found:    ${exported}")
endif()
list(LENGTH exported count)

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${table}")
list(TRANSFORM imports REPLACE "^DLL Name: " "")
set(system KERNEL32.dll msvcrt.dll ADVAPI32.dll SETUPAPI.dll USER32.dll ntdll.dll)
foreach(dll IN LISTS imports)
  if(NOT dll IN_LIST system)
    message(FATAL_ERROR "imports ${dll}, which is not a system DLL (imports: ${imports})")
  endif()
endforeach()
message(STATUS "${count} exports; imports ${imports}")
