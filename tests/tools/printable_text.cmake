# The tools' escaping of what they print.
veltrano_add_gtest(NAME printable_text_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/printable_text_test.cpp
  LIBS veltrano_printable_text)
