# Checks a Windows binary of the cross build, as a test:
#   cmake -DOBJDUMP=... -DFILE=... [-DEXPORTS=a;b;c] -P CheckWindowsBinary.cmake
# Its imports must be system DLLs only (static runtime; the tuner library is loaded at run time),
# and a tuner library must export each of EXPORTS under its plain name.
cmake_minimum_required(VERSION 3.20)
set(system_dlls kernel32.dll msvcrt.dll user32.dll)

execute_process(COMMAND ${OBJDUMP} -p ${FILE} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} cannot read ${FILE}")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
foreach(line ${imports})
  string(REGEX REPLACE "DLL Name: *" "" dll "${line}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" lower)
  if(NOT lower IN_LIST system_dlls)
    message(SEND_ERROR "${FILE} needs ${dll}; only ${system_dlls} may be imported")
  endif()
endforeach()

string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n([^\n]+\n)*" table "${dump}")
foreach(name ${EXPORTS})
  if(NOT table MATCHES "\\] ${name}\n")
    message(SEND_ERROR "${FILE} does not export ${name} undecorated; its export table:\n${table}")
  endif()
endforeach()
