# Start-up to the first frame on screen: the banner in the GIF control's Qt
# host against a plain Qt window showing one static image of the same size.
# bench/startup_run.py runs both under Xvfb and compares them.
if(TARGET veltrano_qt_anigif)
  find_package(Qt6 REQUIRED COMPONENTS Widgets)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(VELTRANO_XCB REQUIRED IMPORTED_TARGET xcb)
  add_library(veltrano_startup_probe STATIC ${CMAKE_CURRENT_LIST_DIR}/startup_probe.cpp)
  target_include_directories(veltrano_startup_probe PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(veltrano_startup_probe PUBLIC Qt6::Widgets PkgConfig::VELTRANO_XCB)

  add_executable(startup_banner ${CMAKE_CURRENT_LIST_DIR}/startup_banner.cpp)
  target_link_libraries(startup_banner PRIVATE veltrano_startup_probe veltrano_qt_anigif
    veltrano_anigif_banner)
  add_executable(startup_static ${CMAKE_CURRENT_LIST_DIR}/startup_static.cpp)
  target_link_libraries(startup_static PRIVATE veltrano_startup_probe)
endif()
