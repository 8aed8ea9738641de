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

# The print preview: its arithmetic on its own (fast), the dialog and page, and real prints on the
# CUPS PDF printer that scripts/with-cups starts (skipped without one).
add_qt_test_suite(tst_print_margins
  SOURCES tst_print_margins.cpp ${PROJECT_SOURCE_DIR}/src/windows/print_margins.cpp
  LIBS Qt6::Core)
target_include_directories(tst_print_margins PRIVATE ${PROJECT_SOURCE_DIR}/src)

add_qt_test_suite(tst_print_preview
  SOURCES tst_print_preview.cpp
  LIBS brentavius_forms brentavius_test_support)
# Again with the scheduler out of reach: no printer is installed.
add_test(NAME tst_print_preview_no_printer
  COMMAND tst_print_preview withoutAPrinterThePageTakesTheScreensShapeAndPrintSaysSo)
set_tests_properties(tst_print_preview_no_printer PROPERTIES TIMEOUT 120
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;CUPS_SERVER=/nonexistent/cups.sock")
