# The animated GIF control.
add_library(veltrano_anigif STATIC
  ${CMAKE_CURRENT_LIST_DIR}/clock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frame_builder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frame_store.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gif_parser.cpp
  ${CMAKE_CURRENT_LIST_DIR}/loader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/palette.cpp
  ${CMAKE_CURRENT_LIST_DIR}/persistence.cpp
  ${CMAKE_CURRENT_LIST_DIR}/property_bag.cpp
  ${CMAKE_CURRENT_LIST_DIR}/render.cpp
  ${CMAKE_CURRENT_LIST_DIR}/uc_ani_gif.cpp
)
target_include_directories(veltrano_anigif PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(veltrano_anigif PUBLIC veltrano_gdi veltrano_picture veltrano_control_host
                      veltrano_anigif_export)
