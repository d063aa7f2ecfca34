# Registration of the host build's tests that run Windows programs under
# Wine. They read what the win32 preset built, and they all take the one
# "wine" lock: two at once would share a wineserver and a display.
include_guard(GLOBAL)

set(BRUVANE_WIN32_BUILD_DIR ${CMAKE_SOURCE_DIR}/build/win32 CACHE PATH "Where the win32 preset builds")

# bruvane_add_wine_test(<name> TIMEOUT <seconds> COMMAND <command> [<arg>...]
#                       [ENVIRONMENT <var>=<value>...])
# Registers nothing when BRUVANE_WINE_TESTS is off.
function(bruvane_add_wine_test name)
  cmake_parse_arguments(PARSE_ARGV 1 WINE_TEST "" "TIMEOUT" "COMMAND;ENVIRONMENT")
  if(NOT WINE_TEST_TIMEOUT OR NOT WINE_TEST_COMMAND OR WINE_TEST_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "bruvane_add_wine_test(${name}): needs TIMEOUT and COMMAND, and takes nothing else")
  endif()
  if(NOT BRUVANE_WINE_TESTS)
    return()
  endif()
  add_test(NAME ${name} COMMAND ${WINE_TEST_COMMAND})
  set_tests_properties(${name} PROPERTIES TIMEOUT ${WINE_TEST_TIMEOUT} RESOURCE_LOCK wine)
  if(WINE_TEST_ENVIRONMENT)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${WINE_TEST_ENVIRONMENT}")
  endif()
endfunction()
