cmake_minimum_required(VERSION 3.25)
# The program imports system DLLs and the link library only (runtime linked in statically), and
# from the link library exactly what it calls: no second libintl of its own.
execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE table RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} -p ${EXE} failed")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${table}")
list(TRANSFORM imports REPLACE "^DLL Name: " "")
# Compared in lower case: DLL names are not case-sensitive, and the import libraries of the two
# architectures spell some differently.
set(allowed
  qvsettingtooldll.dll kernel32.dll msvcrt.dll user32.dll gdi32.dll comctl32.dll ole32.dll
  advapi32.dll ntdll.dll)
# Loaded when the open-file dialog is first used: imported, it brings the shell in at start.
set(loaded_on_use comdlg32.dll shell32.dll)
foreach(dll IN LISTS imports)
  string(TOLOWER "${dll}" lower)
  if(lower IN_LIST loaded_on_use)
    message(FATAL_ERROR "imports ${dll}, which is loaded only when first used (imports: ${imports})")
  endif()
  if(NOT lower IN_LIST allowed)
    message(FATAL_ERROR "imports ${dll}, which is neither a system DLL nor the link library (imports: ${imports})")
  endif()
endforeach()
if(NOT "QVSettingToolDll.dll" IN_LIST imports)
  message(FATAL_ERROR "does not import QVSettingToolDll.dll (imports: ${imports})")
endif()

# The names taken from the link library: its block of the import table runs from its "DLL Name"
# line to the next blank line.
string(REGEX MATCH "DLL Name: QVSettingToolDll\\.dll\n[^\n]*\n[^\n]*\n(([^\n]+\n)*)" block "${table}")
string(REGEX MATCHALL "[0-9]+[ \t]+[A-Za-z_][A-Za-z_0-9]*" entries "${CMAKE_MATCH_1}")
list(TRANSFORM entries REPLACE "^[0-9]+[ \t]+" "")
foreach(name libintl_bindtextdomain libintl_textdomain libintl_bind_textdomain_codeset
             libintl_gettext BaseGetPOText)
  if(NOT name IN_LIST entries)
    message(FATAL_ERROR "does not take ${name} from QVSettingToolDll.dll (takes: ${entries})")
  endif()
endforeach()
message(STATUS "imports ${imports}")
