# The animated GIF control.
add_library(veltrano_anigif STATIC
  ${CMAKE_CURRENT_LIST_DIR}/gif_parser.cpp
)
target_include_directories(veltrano_anigif PUBLIC ${PROJECT_SOURCE_DIR})
