# Suites of the animated GIF control.
add_library(veltrano_anigif_testgif STATIC ${CMAKE_CURRENT_LIST_DIR}/gif_writer.cpp)
target_include_directories(veltrano_anigif_testgif PUBLIC ${PROJECT_SOURCE_DIR})

veltrano_add_gtest(NAME anigif_parser_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/gif_parser_test.cpp
  LIBS veltrano_anigif veltrano_anigif_testgif)
