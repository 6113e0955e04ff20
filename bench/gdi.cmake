# gdi_bench: the raster layer's hot paths at 1280 x 720.
#   build-*/bin/gdi_bench --benchmark_min_time=1
find_package(benchmark REQUIRED)
add_executable(gdi_bench gdi_bench.cpp)
target_link_libraries(gdi_bench PRIVATE veltrano_gdi benchmark::benchmark)
