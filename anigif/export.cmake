# Frame export: the control's own LZW encoder, writing one frame as a GIF89a stream.
add_library(veltrano_anigif_export STATIC
  ${CMAKE_CURRENT_LIST_DIR}/export_frame.cpp
  ${CMAKE_CURRENT_LIST_DIR}/write_code.cpp
)
target_include_directories(veltrano_anigif_export PUBLIC ${PROJECT_SOURCE_DIR})
