if(TARGET GIF::GIF)  # giflib reads the exported frames back
  veltrano_add_gtest(NAME export_test
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/export_frame_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/export_roundtrip_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/export_reference.cpp
    LIBS veltrano_anigif_export GIF::GIF
  )
endif()

# The export on the control's frame store, loaded the way the control loads.
veltrano_add_gtest(NAME export_store_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/export_control_test.cpp
  LIBS veltrano_anigif_export veltrano_anigif_fixture
)
veltrano_test_data(_banner ${PROJECT_SOURCE_DIR}/assets/banner.gif)
target_compile_definitions(export_store_test PRIVATE VELTRANO_BANNER_GIF="${_banner}")
