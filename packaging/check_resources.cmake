# cmake -DWINDRES=... -DPROGRAM=retime.exe -DVERSION=x.y.z -P check_resources.cmake
# Reads the resources back out of the built program with windres and checks
# them: the version information with the project's version and the texts
# Explorer's Details tab shows, and the application manifest with Windows
# 10/11, long-path awareness and no change of the active code page.
execute_process(COMMAND ${WINDRES} -i ${PROGRAM} -O rc
  OUTPUT_VARIABLE resources ERROR_VARIABLE log RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${WINDRES} cannot read the resources of ${PROGRAM} (exit ${result}):\n${log}")
endif()

string(REPLACE "." ", " numbers "${VERSION}")
set(wanted
  "FILEVERSION ${numbers}, 0"
  "PRODUCTVERSION ${numbers}, 0"
  "VALUE \"FileVersion\", \"${VERSION}\""
  "VALUE \"ProductVersion\", \"${VERSION}\""
  "VALUE \"ProductName\", \"retime\""
  "VALUE \"FileDescription\", \"re-time subtitle text"
  "VALUE \"LegalCopyright\", \"Copyright (C) "
  "VALUE \"OriginalFilename\", \"retime.exe\""
  "1 24 /* RT_MANIFEST */"
  "<supportedOS Id=\"\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"\"/>"
  "SMI/2016/WindowsSettings\"\">true</longPathAware>"
  "<requestedExecutionLevel level=\"\"asInvoker\"\"")
foreach(text IN LISTS wanted)
  string(FIND "${resources}" "${text}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${PROGRAM} lacks ${text} in its resources:\n${resources}")
  endif()
endforeach()
string(FIND "${resources}" "activeCodePage" at)
if(NOT at EQUAL -1)
  message(FATAL_ERROR "the manifest of ${PROGRAM} changes the active code page:\n${resources}")
endif()
