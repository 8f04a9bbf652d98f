# cmake -DPAGE=retime.1 -P lint_man_page.cmake: the manual page renders with
# no warning from groff (all warnings on) and, where it is installed, none
# from mandoc's lint.
find_program(GROFF groff)
if(NOT GROFF)
  message(FATAL_ERROR "groff is missing (Debian package groff; tools/setup tests installs it)")
endif()
execute_process(COMMAND ${GROFF} -ww -man -Tutf8 ${PAGE}
  OUTPUT_QUIET ERROR_VARIABLE warnings RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT warnings STREQUAL "")
  message(FATAL_ERROR "groff -ww on ${PAGE} (exit ${result}):\n${warnings}")
endif()
find_program(MANDOC mandoc)
if(MANDOC)
  execute_process(COMMAND ${MANDOC} -T lint -W warning ${PAGE}
    OUTPUT_VARIABLE lint ERROR_VARIABLE lint RESULT_VARIABLE result)
  if(NOT result EQUAL 0 OR NOT lint STREQUAL "")
    message(FATAL_ERROR "mandoc -T lint on ${PAGE} (exit ${result}):\n${lint}")
  endif()
endif()
