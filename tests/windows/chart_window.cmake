# The chart window: its pure rules, and the window itself against a grid of texts.
add_qt_test_suite(tst_chart_helpers
  SOURCES tst_chart_helpers.cpp
  LIBS brentavius_forms)

add_qt_test_suite(tst_chart_window
  SOURCES tst_chart_window.cpp
  LIBS brentavius_forms)

add_qt_test_suite(tst_chart_from_download
  SOURCES tst_chart_from_download.cpp
  LIBS brentavius_forms brentavius_test_support brentavius_sim_core)
