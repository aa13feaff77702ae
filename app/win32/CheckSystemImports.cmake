# Fails when PROGRAM imports a DLL that Windows does not ship, so that the
# release runs from its .exe alone.
#   cmake -DOBJDUMP=... -DPROGRAM=... -P CheckSystemImports.cmake
cmake_minimum_required(VERSION 3.25)
set(system_dlls KERNEL32.DLL USER32.DLL GDI32.DLL COMCTL32.DLL MSVCRT.DLL WS2_32.DLL ADVAPI32.DLL)

execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} could not read ${PROGRAM}")
endif()
string(REGEX MATCHALL "DLL Name: [^\r\n]+" lines "${dump}")
foreach(line IN LISTS lines)
  string(REPLACE "DLL Name: " "" dll "${line}")
  string(STRIP "${dll}" dll)
  string(TOUPPER "${dll}" dll)
  if(NOT dll IN_LIST system_dlls)
    message(FATAL_ERROR "${PROGRAM} needs ${dll}, which Windows does not ship")
  endif()
endforeach()
