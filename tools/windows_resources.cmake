# The console tools' resources on Windows: the program icon, the version
# information and a manifest each.
if(VELTRANO_TARGET_WINDOWS)
  include(${PROJECT_SOURCE_DIR}/cmake/WindowsProgramResources.cmake)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(_tool_icon ${CMAKE_CURRENT_BINARY_DIR}/tool.ico)
  add_custom_command(OUTPUT ${_tool_icon}
    COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/ui/win32/make_icon.py
            ${PROJECT_SOURCE_DIR}/assets/veltrano_icon.xpm ${_tool_icon}
    DEPENDS ${PROJECT_SOURCE_DIR}/ui/win32/make_icon.py ${PROJECT_SOURCE_DIR}/assets/veltrano_icon.xpm
    VERBATIM)
  set(_descriptions "veltrano-cli=Veltrano command line" "anigif-tool=Veltrano animated GIF tool")
  foreach(entry IN LISTS _descriptions)
    string(REPLACE "=" ";" entry "${entry}")
    list(GET entry 0 TOOL_NAME)
    list(GET entry 1 TOOL_DESCRIPTION)
    if(NOT TARGET ${TOOL_NAME})
      continue()
    endif()
    set(_manifest ${CMAKE_CURRENT_BINARY_DIR}/${TOOL_NAME}.manifest)
    configure_file(${CMAKE_CURRENT_LIST_DIR}/tool.manifest.in ${_manifest} @ONLY)
    veltrano_windows_resources(${TOOL_NAME} DESCRIPTION "${TOOL_DESCRIPTION}"
      PRODUCT_NAME Veltrano ICON ${_tool_icon} MANIFEST ${_manifest})
  endforeach()
endif()
