# Makes the wine prefix once (a few seconds) and starts a wineserver that
# stays until wine_stop ends it, so each wine process starts in
# milliseconds instead of half a second.
set(ENV{WINEPREFIX} ${WINEPREFIX})
set(ENV{WINEDEBUG} -all)
set(ENV{WINEDLLOVERRIDES} winemenubuilder.exe=d)
if(NOT EXISTS ${WINEPREFIX}/system.reg)
  execute_process(COMMAND sh -c "\"${WINEBOOT}\" -i >/dev/null 2>&1 </dev/null"
                  RESULT_VARIABLE booted TIMEOUT 100)
  if(NOT booted EQUAL 0)
    message(FATAL_ERROR "wineboot -i failed in ${WINEPREFIX}: ${booted}")
  endif()
endif()
# The server wineboot started ends by itself shortly; a persistent one can
# only start after it.
execute_process(COMMAND sh -c "\"${WINESERVER}\" -w >/dev/null 2>&1 </dev/null" TIMEOUT 30)
# The server lives on after this script: it must not hold the script's
# output open, or the test would wait for it.
execute_process(COMMAND sh -c "\"${WINESERVER}\" -p >/dev/null 2>&1 </dev/null"
                RESULT_VARIABLE started TIMEOUT 20)
if(NOT started EQUAL 0)
  message(FATAL_ERROR "wineserver -p failed: ${started}")
endif()
