# fs_bench: the Linux file-system backend walking a large tree the way the
# junk search does, against `find ROOT -xdev -type f` on the same tree.
#   build-*/bin/fs_bench [--tree=/path]   (the tree is made on first use)
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  find_package(benchmark REQUIRED)
  add_executable(fs_bench fs_walk_bench.cpp)
  target_link_libraries(fs_bench PRIVATE veltrano_fs benchmark::benchmark)
endif()
