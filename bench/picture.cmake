# picture_bench: the picture loader against giflib and stb_image.
#   build-*/bin/picture_bench --benchmark_min_time=1
find_package(benchmark REQUIRED)
find_package(GIF REQUIRED)
add_executable(picture_bench picture_bench.cpp)
target_link_libraries(picture_bench PRIVATE
  veltrano_picture veltrano_picture_testing veltrano_anigif veltrano_control_host
  benchmark::benchmark GIF::GIF stb)
if(EXISTS ${PROJECT_SOURCE_DIR}/assets/banner.gif)
  target_compile_definitions(picture_bench PRIVATE
    VELTRANO_BANNER_ASSET="${PROJECT_SOURCE_DIR}/assets/banner.gif")
endif()
