# orb_add_test(<name> SOURCES ... [LIBS ...] [LABELS ...] [RESOURCE_LOCK ...] [TIMEOUT s])
#
# Tests link orb_test_main, whose main() installs a message-box handler that
# records every box and answers at once, so no test ever waits on a dialog.
#
# Builds a GoogleTest program for every target. Natively each test case is its
# own ctest entry; under wine one entry runs the whole program, since each wine
# start costs about a second. 32-bit Windows programs are built and linked only.
function(orb_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS;RESOURCE_LOCK" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock orb_test_main)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set(props TIMEOUT ${T_TIMEOUT})
  if(T_LABELS)
    list(APPEND props LABELS "${T_LABELS}")
  endif()
  if(T_RESOURCE_LOCK)
    list(APPEND props RESOURCE_LOCK "${T_RESOURCE_LOCK}")
  endif()
  if(CMAKE_CROSSCOMPILING)
    if(CMAKE_CROSSCOMPILING_EMULATOR)
      add_test(NAME ${name} COMMAND ${name})
      set_tests_properties(${name} PROPERTIES ${props} ENVIRONMENT "WINEPREFIX=${ORB_WINEPREFIX}")
    endif()
  else()
    gtest_discover_tests(${name}
      DISCOVERY_TIMEOUT 60
      PROPERTIES ${props})
  endif()
endfunction()
