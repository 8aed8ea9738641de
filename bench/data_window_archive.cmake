# "Ver datos" on a big archive. It uses the archive tests' helpers (BRENTAVIUS_BUILD_TESTS).
# Run by hand; not a CTest test.
if(TARGET brentavius_archive_test_support)
  add_executable(bench_data_window_archive ${CMAKE_CURRENT_LIST_DIR}/data_window_archive_bench.cpp)
  target_link_libraries(bench_data_window_archive PRIVATE
    brentavius_app brentavius_archive_test_support brentavius_test_support)
endif()
