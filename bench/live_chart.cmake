# The live chart with a full day of frames: one update as a frame arrives, and its repaint.
add_executable(bench_live_chart ${CMAKE_CURRENT_LIST_DIR}/live_chart_bench.cpp)
target_link_libraries(bench_live_chart PRIVATE brentavius_windows)
