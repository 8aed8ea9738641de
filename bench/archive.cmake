# The station archive on SQLite and, under scripts/with-postgres, on PostgreSQL. It uses the
# archive tests' helpers (BRENTAVIUS_BUILD_TESTS). Run by hand; not a CTest test.
if(TARGET brentavius_archive_test_support)
  add_executable(bench_archive ${CMAKE_CURRENT_LIST_DIR}/archive_bench.cpp)
  target_link_libraries(bench_archive PRIVATE brentavius_archive_test_support)
endif()
