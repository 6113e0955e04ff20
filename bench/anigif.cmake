# anigif_bench: per-frame playback of the GIF control against decoding each
# frame again, and the banner's drawing cost per loop.
#   build-*/bin/anigif_bench
find_package(benchmark REQUIRED)
add_executable(anigif_bench ${CMAKE_CURRENT_LIST_DIR}/anigif_playback_bench.cpp)
target_link_libraries(anigif_bench PRIVATE veltrano_anigif veltrano_anigif_export
  veltrano_control_host benchmark::benchmark)
target_compile_definitions(anigif_bench PRIVATE
  VELTRANO_BANNER_GIF="${PROJECT_SOURCE_DIR}/assets/banner.gif")
# anigif_qmovie_bench: the control against QMovie (with and without its frame
# cache), per frame and per load, on inputs made with ImageMagick and gifsicle.
#   taskset -c 1 build-*/bin/anigif_qmovie_bench --rounds 7
if(VELTRANO_WITH_QT)
  find_package(Qt6 REQUIRED COMPONENTS Core Gui)
  add_executable(anigif_qmovie_bench ${CMAKE_CURRENT_LIST_DIR}/anigif_qmovie_bench.cpp)
  target_link_libraries(anigif_qmovie_bench PRIVATE veltrano_anigif veltrano_control_host
    Qt6::Gui)
  target_compile_definitions(anigif_qmovie_bench PRIVATE
    VELTRANO_BANNER_GIF="${PROJECT_SOURCE_DIR}/assets/banner.gif")
endif()
