# veltrano_test(name SOURCES ... [LINUX ...] [WINDOWS ...] DEPENDS ... [LABELS core|gui ...])
#
# Builds one GoogleTest executable and registers its tests with CTest; the
# sources and libraries are given as to veltrano_module (cmake/VeltranoModule.cmake).
# Tests are listed when ctest runs, not at build time, so a test binary that
# needs a display or a QApplication never runs during the build.
# Label "core" marks tests that also run under the sanitizers (no Qt).
if(CMAKE_CROSSCOMPILING)
  # No GoogleTest is installed for the target: build it here from the
  # source package (Debian's googletest, /usr/src/googletest).
  set(VELTRANO_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH
    "GoogleTest sources built for the target when cross-compiling")
  if(NOT EXISTS ${VELTRANO_GTEST_SOURCE_DIR}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest sources not found in ${VELTRANO_GTEST_SOURCE_DIR} (install googletest)")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  add_subdirectory(${VELTRANO_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# veltrano_test_data(VAR PATH): the path by which a test program opens PATH,
# a file or folder of the source tree. Under Wine the programs reach only the
# build folder, as drive B: (scripts/wine-prefix.sh): there PATH is copied
# into the build folder and VAR names the copy on B:.
function(veltrano_test_data var path)
  if(CMAKE_CROSSCOMPILING AND VELTRANO_TARGET_WINDOWS)
    file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR} ${path})
    if(IS_DIRECTORY ${path})
      file(COPY ${path}/ DESTINATION ${CMAKE_BINARY_DIR}/test-data/${relative})
    else()
      configure_file(${path} ${CMAKE_BINARY_DIR}/test-data/${relative} COPYONLY)
    endif()
    set(${var} "B:/test-data/${relative}" PARENT_SCOPE)
  else()
    set(${var} ${path} PARENT_SCOPE)
  endif()
endfunction()

# giflib is the reference decoder several picture and GIF suites compare
# against. The Windows build has none for its target; the suites that need it
# are built only where GIF::GIF exists.
if(VELTRANO_TARGET_WINDOWS)
  find_package(GIF QUIET)
else()
  find_package(GIF REQUIRED)
endif()

function(veltrano_test name)
  cmake_parse_arguments(T "" "" "LABELS;SOURCES;LINUX;WINDOWS;DEPENDS" ${ARGN})
  if(T_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "${name}: unknown arguments ${T_UNPARSED_ARGUMENTS}")
  endif()
  set(T_NAME ${name})
  veltrano_program(${name} SOURCES ${T_SOURCES} LINUX ${T_LINUX} WINDOWS ${T_WINDOWS}
    DEPENDS ${T_DEPENDS})
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gmock GTest::gtest_main)
  if(NOT T_LABELS)
    set(T_LABELS core)
  endif()
  gtest_discover_tests(${T_NAME}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  # The labels and the environment are lists, which gtest_discover_tests
  # cannot pass on whole (a second label or variable would be taken for a
  # property name). They are set on the discovered tests by a file ctest
  # reads right after the list of tests.
  set(environment "QT_QPA_PLATFORM=offscreen;XDG_RUNTIME_DIR=${CMAKE_BINARY_DIR}/xdg-runtime")
  set(properties_file ${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}_properties.cmake)
  file(WRITE ${properties_file}
    "if(${T_NAME}_TESTS)\n"
    "  set_tests_properties(\${${T_NAME}_TESTS} PROPERTIES\n"
    "    LABELS [==[${T_LABELS}]==]\n"
    "    ENVIRONMENT [==[${environment}]==])\n"
    "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${properties_file})
endfunction()
