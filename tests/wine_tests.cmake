# The Windows build's tests run under wine. A wine process costs about 0.4 s
# to start unless a wineserver is kept running, so the whole test binary is
# one test, and a fixture keeps a wineserver alive in a prefix of the build
# directory's own for as long as the tests run.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  message(FATAL_ERROR "the Windows tests need wine (CMAKE_CROSSCOMPILING_EMULATOR)")
endif()
find_program(RETIME_WINESERVER NAMES wineserver REQUIRED)
find_program(RETIME_WINEBOOT NAMES wineboot REQUIRED)

set(RETIME_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(RETIME_WINE_ENVIRONMENT WINEPREFIX=${RETIME_WINEPREFIX} WINEDEBUG=-all WINEDLLOVERRIDES=winemenubuilder.exe=d)

add_test(NAME wine_start
  COMMAND ${CMAKE_COMMAND}
    -DWINEPREFIX=${RETIME_WINEPREFIX}
    -DWINEBOOT=${RETIME_WINEBOOT}
    -DWINESERVER=${RETIME_WINESERVER}
    -P ${CMAKE_CURRENT_SOURCE_DIR}/wine_start.cmake)
add_test(NAME wine_stop
  COMMAND ${CMAKE_COMMAND} -E env ${RETIME_WINE_ENVIRONMENT} ${RETIME_WINESERVER} -k)
set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 120)
set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 30)

# With the prefix under Z:, the tests' POSIX-style paths (/work/...) name
# the same files through wine's drive of the Unix root.
# Standard input is empty, as in CI, and the output goes through a file:
# the helper processes wine starts beside the first program stay alive
# with the server and would hold a pipe to ctest open.
add_test(NAME retime_tests
  COMMAND sh -c "\"$0\" \"$1\" --gtest_brief=1 >\"$2\" 2>&1 </dev/null; status=$?; cat \"$2\"; exit $status"
    ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:retime_tests> ${CMAKE_CURRENT_BINARY_DIR}/retime_tests.log)
set_tests_properties(retime_tests PROPERTIES
  FIXTURES_REQUIRED wine
  ENVIRONMENT "${RETIME_WINE_ENVIRONMENT}"
  TIMEOUT 240)

# A script that runs retime.exe on the example under wine and compares its
# output with the fixture.
function(add_wine_program_test name script timeout)
  add_test(NAME ${name}
    COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/${script}
      ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:retime>
      ${PROJECT_SOURCE_DIR}/example ${CMAKE_CURRENT_SOURCE_DIR}/fixtures/film1..src)
  set_tests_properties(${name} PROPERTIES
    FIXTURES_REQUIRED wine
    ENVIRONMENT "${RETIME_WINE_ENVIRONMENT}"
    TIMEOUT ${timeout})
endfunction()

# The program's printing into a file: retime.exe DIRECTORY > out.txt; then
# such a run in a directory of 300 characters, by a program in a folder
# whose name the code page cannot hold.
add_wine_program_test(retime_output_file_wine wine_output_test.sh 120)

# The program itself in a terminal: tmux plays the user at wine's console.
find_program(RETIME_TMUX NAMES tmux)
if(RETIME_TMUX)
  add_wine_program_test(retime_console_wine wine_console_test.sh 240)
endif()
