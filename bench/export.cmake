# Frame export against giflib's encoder (EGifPutLine), same frames, one run.
find_package(benchmark REQUIRED)
find_package(GIF REQUIRED)

add_executable(bench_export ${CMAKE_CURRENT_LIST_DIR}/export_bench.cpp)
target_link_libraries(bench_export PRIVATE veltrano_anigif_export benchmark::benchmark GIF::GIF)
target_compile_definitions(bench_export PRIVATE
  VELTRANO_BANNER_GIF="${PROJECT_SOURCE_DIR}/assets/banner.gif")
