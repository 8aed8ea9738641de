# Wake-ups of the connected, idle program against the simulated logger. Run by hand; not a
# CTest test. It needs the simulator child-process helper that the test support defines
# (BRENTAVIUS_BUILD_TESTS); without it it is left out of the build.
if(BRENTAVIUS_BUILD_TESTS)
  add_executable(bench_idle_wakeups ${CMAKE_CURRENT_LIST_DIR}/idle_wakeups_bench.cpp)
  target_link_libraries(bench_idle_wakeups PRIVATE brentavius_app brentavius_sim_process)
endif()
