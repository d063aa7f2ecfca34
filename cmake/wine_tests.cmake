# Registration of the host build's tests that run Windows programs under
# Wine. They read what the win32 build made (BRUVANE_WIN32_BUILD_DIR). They
# run side by side: each has its own prefix (so its own wineserver) and
# its own X server (tests/wine/lib/display.sh); the one thing they share,
# the booted template prefix, is made once under a lock.
include_guard(GLOBAL)

# bruvane_add_wine_test(<name> TIMEOUT <seconds> COMMAND <command> [<arg>...]
#                       [ENVIRONMENT <var>=<value>...])
# Registers nothing when BRUVANE_WIN32_TESTS is off or no win32 build is given.
function(bruvane_add_wine_test name)
  cmake_parse_arguments(PARSE_ARGV 1 WINE_TEST "" "TIMEOUT" "COMMAND;ENVIRONMENT")
  if(NOT WINE_TEST_TIMEOUT OR NOT WINE_TEST_COMMAND OR WINE_TEST_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "bruvane_add_wine_test(${name}): needs TIMEOUT and COMMAND, and takes nothing else")
  endif()
  if(NOT BRUVANE_WIN32_TESTS OR NOT BRUVANE_WIN32_BUILD_DIR)
    return()
  endif()
  add_test(NAME ${name} COMMAND ${WINE_TEST_COMMAND})
  set_tests_properties(${name} PROPERTIES TIMEOUT ${WINE_TEST_TIMEOUT})
  if(WINE_TEST_ENVIRONMENT)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${WINE_TEST_ENVIRONMENT}")
  endif()
endfunction()
