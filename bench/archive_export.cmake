# The archive's CSV export against the sqlite3 tool on the same file. It uses the archive
# tests' helpers (BRENTAVIUS_BUILD_TESTS). Run by hand; not a CTest test.
if(TARGET brentavius_archive_test_support)
  add_executable(bench_archive_export ${CMAKE_CURRENT_LIST_DIR}/archive_export_bench.cpp)
  target_link_libraries(bench_archive_export PRIVATE brentavius_archive_test_support)
  target_compile_definitions(bench_archive_export PRIVATE
    BRENTAVIUS_PROGRAM_PATH="$<TARGET_FILE:brentavius4>")
  add_dependencies(bench_archive_export brentavius4)
endif()
