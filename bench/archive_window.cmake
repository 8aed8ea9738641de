# The archive window on a big archive. It uses the archive tests' helpers
# (BRENTAVIUS_BUILD_TESTS). Run by hand; not a CTest test.
if(TARGET brentavius_archive_test_support)
  add_executable(bench_archive_window ${CMAKE_CURRENT_LIST_DIR}/archive_window_bench.cpp)
  target_link_libraries(bench_archive_window PRIVATE brentavius_app brentavius_archive_test_support)
endif()
