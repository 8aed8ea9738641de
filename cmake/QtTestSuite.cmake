# add_qt_test_suite(<name> SOURCES <files...> [LIBS <targets...>] [LABELS <labels...>]
#                   [TIMEOUT <seconds>])
#
# Makes one Qt Test executable per suite and registers it with CTest. Every suite runs
# headless on the offscreen platform, with a time-out that only catches a hang.
function(add_qt_test_suite name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    TIMEOUT ${ARG_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    LABELS "${ARG_LABELS}")
endfunction()
