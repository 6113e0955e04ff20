# The scan log in the real list view: appending a million lines the way the
# junk search does, and scrolling to the end of them.
if(TARGET veltrano_qt)
  find_package(benchmark REQUIRED)
  add_executable(bench_qt_log ${CMAKE_CURRENT_LIST_DIR}/qt_log_bench.cpp)
  target_link_libraries(bench_qt_log PRIVATE veltrano_qt benchmark::benchmark)
endif()
