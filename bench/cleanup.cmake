# cleanup_bench: the junk search over a tree of 200,000 files in 20,000
# folders on the Linux backend, against `find ROOT -xdev -type f` with the
# same junk rules, in one run; prints the ratio of the two at the end.
#   build-*/bin/cleanup_bench [--tree=/path]   (the tree is made on first use)
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  find_package(benchmark REQUIRED)
  add_executable(cleanup_bench ${CMAKE_CURRENT_LIST_DIR}/cleanup_find_junk_bench.cpp)
  target_link_libraries(cleanup_bench PRIVATE veltrano_cleanup veltrano_fs veltrano_host
    benchmark::benchmark)
endif()
