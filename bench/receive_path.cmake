# The receive path: a full download from the simulated logger through the serial port
# component, its event thread and the main window's collection, against a plain Qt Serial Port
# reader of the same pseudo-terminal. Run by hand; not a CTest test.
#
# It needs Qt Serial Port (Debian: qt6-serialport-dev) for the plain reader, and the simulator
# child-process helper that the test support defines (BRENTAVIUS_BUILD_TESTS). Without either
# it is left out of the build rather than failing the configuration.
find_package(Qt6 6.4 QUIET COMPONENTS SerialPort)
if(TARGET Qt6::SerialPort AND BRENTAVIUS_BUILD_TESTS)
  add_executable(bench_receive_path ${CMAKE_CURRENT_LIST_DIR}/receive_path_bench.cpp)
  target_link_libraries(bench_receive_path PRIVATE
    brentavius_app brentavius_serial brentavius_sim_process Qt6::SerialPort)
else()
  message(STATUS "bench_receive_path left out: it needs Qt Serial Port (qt6-serialport-dev) "
                 "and BRENTAVIUS_BUILD_TESTS=ON")
endif()
