# Writes the user parts of the README (qv410, its JSON fields and exit statuses, the udev rule)
# into the documentation the command-line tool installs. A section that is not found fails the
# build, so a renamed heading cannot ship an empty document.
#
#   cmake -DREADME=README.md -DOUTPUT=out.md -P user_readme.cmake

file(READ ${README} readme)

# The text from the line "HEADING" up to the next line that starts with one of the ENDS.
function(take_section heading out)
  string(FIND "${readme}" "\n${heading}\n" start)
  if(start EQUAL -1)
    message(FATAL_ERROR "README.md has no heading '${heading}'")
  endif()
  math(EXPR start "${start} + 1")
  string(SUBSTRING "${readme}" ${start} -1 section)
  string(LENGTH "${heading}" skip)
  string(SUBSTRING "${section}" ${skip} -1 body)
  set(stop -1)
  foreach(end ${ARGN})
    string(FIND "${body}" "\n${end}" at)
    if(NOT at EQUAL -1 AND (stop EQUAL -1 OR at LESS stop))
      set(stop ${at})
    endif()
  endforeach()
  if(NOT stop EQUAL -1)
    math(EXPR stop "${stop} + ${skip} + 1")
    string(SUBSTRING "${section}" 0 ${stop} section)
  endif()
  set(${out} "${section}" PARENT_SCOPE)
endfunction()

take_section("## qv410, the command-line tool" tool "# " "## ")
take_section("### Printer access without root: the udev rule" udev "# " "## " "### ")

# Installed, the tool is on the PATH rather than in a build folder; the udev section moves up a
# level beside the tool's.
string(REPLACE "build/bin/qv410" "qv410" tool "${tool}")
string(REGEX REPLACE "^###" "##" udev "${udev}")
file(WRITE ${OUTPUT} "# qv410

Settings and maintenance of the QV-410 USB thermal label printer from the command line.

${tool}${udev}")
