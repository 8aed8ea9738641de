# The chart window with the logger's full 4000 samples: filling, first paint, a pan's repaint.
add_executable(bench_chart_window ${CMAKE_CURRENT_LIST_DIR}/chart_window_bench.cpp)
target_link_libraries(bench_chart_window PRIVATE brentavius_windows Qt6::Test)
