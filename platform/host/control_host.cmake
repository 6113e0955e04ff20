# The control host seam, the memory surface every host paints the control
# on, and the headless implementation with a virtual clock.
add_library(veltrano_control_host STATIC
  ${CMAKE_CURRENT_LIST_DIR}/container_units.cpp
  ${CMAKE_CURRENT_LIST_DIR}/control_painter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/control_surface.cpp
  ${CMAKE_CURRENT_LIST_DIR}/headless_control_host.cpp
  ${CMAKE_CURRENT_LIST_DIR}/virtual_clock.cpp
)
target_include_directories(veltrano_control_host PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(veltrano_control_host PUBLIC veltrano_gdi)
