# sweep_bench: the autorun sweep of a drive root of 100,000 entries on the
# Linux backend (directory mode), and the bare listing of that root.
#   build-*/bin/sweep_bench [--root=/path]   (the root is filled on first use)
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  find_package(benchmark REQUIRED)
  add_executable(sweep_bench ${CMAKE_CURRENT_LIST_DIR}/sweep_root_bench.cpp)
  target_link_libraries(sweep_bench PRIVATE veltrano_app veltrano_fs veltrano_host
    benchmark::benchmark)
endif()
