# cmake -DCPACK=... -DCONFIG=CPackConfig.cmake -DOUT=dir -DVERSION=x.y.z
#       -P check_deb.cmake
# Builds the .deb from the build tree and checks what it holds: the program
# on PATH, the manual page where man finds it, the README and the example
# pair, and dependencies worked out from the program's libraries.
file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND ${CPACK} -G DEB --config ${CONFIG} -B ${OUT}
  OUTPUT_VARIABLE log ERROR_VARIABLE log RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cpack -G DEB failed (exit ${result}):\n${log}")
endif()
file(GLOB packages ${OUT}/*.deb)
list(LENGTH packages count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one .deb in ${OUT}, found ${count}: ${packages}\n${log}")
endif()

execute_process(COMMAND dpkg-deb -c ${packages} OUTPUT_VARIABLE contents RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "dpkg-deb -c ${packages} failed")
endif()
foreach(path IN ITEMS
    ./usr/bin/retime
    ./usr/share/man/man1/retime.1
    ./usr/share/doc/retime/README.md
    ./usr/share/doc/retime/example/film1.srt
    ./usr/share/doc/retime/example/film1.txt)
  string(REGEX MATCH " ${path}\n" found "${contents}")
  if(NOT found)
    message(FATAL_ERROR "${path} is missing from the package:\n${contents}")
  endif()
endforeach()
string(REGEX MATCH "-rwxr-xr-x[^\n]* ./usr/bin/retime\n" executable "${contents}")
if(NOT executable)
  message(FATAL_ERROR "./usr/bin/retime is not executable by all:\n${contents}")
endif()

foreach(field IN ITEMS Package Version Depends Maintainer Description)
  execute_process(COMMAND dpkg-deb -f ${packages} ${field}
    OUTPUT_VARIABLE value OUTPUT_STRIP_TRAILING_WHITESPACE)
  set(field_${field} "${value}")
  if(value STREQUAL "")
    message(FATAL_ERROR "the package has no ${field} field")
  endif()
endforeach()
if(NOT field_Package STREQUAL "retime" OR NOT field_Version STREQUAL "${VERSION}")
  message(FATAL_ERROR "package ${field_Package} ${field_Version}, expected retime ${VERSION}")
endif()
# The program holds its C++ runtime: it needs the C library and nothing else.
string(FIND "${field_Depends}" "libc6" at)
if(at LESS 0)
  message(FATAL_ERROR "Depends lacks libc6: ${field_Depends}")
endif()
foreach(library IN ITEMS libstdc++6 libgcc-s1)
  string(FIND "${field_Depends}" "${library}" at)
  if(NOT at LESS 0)
    message(FATAL_ERROR "Depends names ${library}, which the program holds itself: ${field_Depends}")
  endif()
endforeach()
