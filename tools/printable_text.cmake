# The tools' escaping of what they print (file names, arguments, log lines).
add_library(veltrano_printable_text STATIC ${CMAKE_CURRENT_LIST_DIR}/printable_text.cpp)
target_include_directories(veltrano_printable_text PUBLIC ${PROJECT_SOURCE_DIR})
