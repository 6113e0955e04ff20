find_package(GIF REQUIRED)  # giflib reads the exported frames back

veltrano_add_gtest(NAME export_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/export_frame_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/export_roundtrip_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/export_reference.cpp
  LIBS veltrano_anigif_export GIF::GIF
)
