# The self-install offer's steps, as each platform's users know them. The
# Windows offer's rules are portable and are tested on every platform
# (veltrano_win_install); the Linux steps write with the standard library.
add_library(veltrano_win_install STATIC ${CMAKE_CURRENT_LIST_DIR}/install_offer_windows.cpp)
target_include_directories(veltrano_win_install PUBLIC ${PROJECT_SOURCE_DIR})
if(NOT WIN32)
  target_sources(veltrano_form PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/install_offer_linux.cpp)
endif()
