# veltrano_add_gtest(NAME name SOURCES ... LIBS ... [LABELS core|gui ...] [QT])
#
# Builds one GoogleTest executable and registers its tests with CTest.
# Tests are listed when ctest runs, not at build time, so a test binary that
# needs a display or a QApplication never runs during the build.
# Label "core" marks tests that also run under the sanitizers (no Qt).
find_package(GTest REQUIRED)
include(GoogleTest)

function(veltrano_add_gtest)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  if(NOT T_LABELS)
    set(T_LABELS core)
  endif()
  gtest_discover_tests(${T_NAME}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${T_LABELS}" ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_RUNTIME_DIR=${CMAKE_BINARY_DIR}/xdg-runtime"
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endfunction()
