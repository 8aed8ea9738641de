add_qt_test_suite(tst_gauges_placement
  SOURCES tst_gauges_placement.cpp
  LIBS brentavius_app)

add_qt_test_suite(tst_small_windows
  SOURCES tst_small_windows.cpp
  LIBS brentavius_app brentavius_test_support)
# A screen wide enough for the main window and the gauges window side by side, with room for
# the main window to move.
set_tests_properties(tst_small_windows PROPERTIES ENVIRONMENT
  "QT_QPA_PLATFORM=offscreen:configfile=${CMAKE_CURRENT_SOURCE_DIR}/wide_screen.json")
