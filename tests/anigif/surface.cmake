# The control's public surface: properties, design-time behaviour, the
# AnimatedGIF picture, and the property set it stores with its form.
veltrano_add_gtest(NAME anigif_surface_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/surface_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/persistence_test.cpp
  LIBS veltrano_anigif_fixture veltrano_anigif_banner)
veltrano_test_data(_banner ${PROJECT_SOURCE_DIR}/assets/banner.gif)
target_compile_definitions(anigif_surface_test PRIVATE VELTRANO_BANNER_GIF="${_banner}")

# The AnimatedGIF picture of real files, read back by giflib.
if(TARGET GIF::GIF)
  veltrano_add_gtest(NAME anigif_animated_gif_corpus_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/animated_gif_corpus_test.cpp
    LIBS veltrano_anigif_fixture GIF::GIF)
  target_compile_definitions(anigif_animated_gif_corpus_test PRIVATE
    VELTRANO_PICTURE_CORPUS="${PROJECT_SOURCE_DIR}/fuzz/corpus/picture"
    VELTRANO_BANNER_GIF="${PROJECT_SOURCE_DIR}/assets/banner.gif")
endif()
