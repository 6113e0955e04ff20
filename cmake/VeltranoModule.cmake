# How the tree declares what it builds. One folder is one module; the root
# list names every module once, and each module's CMakeLists.txt declares its
# targets with the functions below. Its tests live in the same folder under
# tests/ and are added with it.
#
#   veltrano_module(veltrano_sweep
#     SOURCES check_root.cpp ...        built for every target
#     LINUX   linux_dir.cpp ...         built for Linux only
#     WINDOWS win32_native.cpp ...      built for Windows only
#     DEPENDS veltrano_form ...         what the module's headers need (PUBLIC)
#     PRIVATE_DEPENDS shell32 ...)      what only its sources need
#
#   veltrano_program(veltrano-cli [WIN32] SOURCES ... LINUX ... WINDOWS ... DEPENDS ...)
#
# Includes are written from the top of the source tree ("platform/fs/...").
# Whether the target is Windows is VELTRANO_TARGET_WINDOWS (cmake/VeltranoTarget.cmake),
# and nothing else.
include_guard(GLOBAL)

set(_veltrano_target_keywords SOURCES LINUX WINDOWS DEPENDS PRIVATE_DEPENDS)

# Adds SOURCES plus the current target's own sources to `target`, and links it.
function(_veltrano_target_parts target scope)
  cmake_parse_arguments(M "" "" "${_veltrano_target_keywords}" ${ARGN})
  if(M_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "${target}: unknown arguments ${M_UNPARSED_ARGUMENTS}")
  endif()
  set(sources ${M_SOURCES})
  if(VELTRANO_TARGET_WINDOWS)
    list(APPEND sources ${M_WINDOWS})
  else()
    list(APPEND sources ${M_LINUX})
  endif()
  if(NOT sources)
    message(FATAL_ERROR "${target}: no sources for this target")
  endif()
  target_sources(${target} PRIVATE ${sources})
  target_include_directories(${target} ${scope} ${PROJECT_SOURCE_DIR})
  if(M_DEPENDS)
    target_link_libraries(${target} ${scope} ${M_DEPENDS})
  endif()
  if(M_PRIVATE_DEPENDS)
    target_link_libraries(${target} PRIVATE ${M_PRIVATE_DEPENDS})
  endif()
endfunction()

function(veltrano_module target)
  add_library(${target} STATIC)
  _veltrano_target_parts(${target} PUBLIC ${ARGN})
endfunction()

function(veltrano_program target)
  set(subsystem)
  if(ARGV1 STREQUAL "WIN32")
    set(subsystem WIN32)
    list(REMOVE_AT ARGN 0)
  endif()
  add_executable(${target} ${subsystem})
  _veltrano_target_parts(${target} PRIVATE ${ARGN})
endfunction()

# veltrano_add_modules(dir ...): adds each module folder, in order (a module
# comes after those it links). A folder without a CMakeLists.txt, or one named
# twice, stops the configure.
function(veltrano_add_modules)
  foreach(dir IN LISTS ARGN)
    if(NOT EXISTS ${PROJECT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      message(FATAL_ERROR "Module ${dir}: no ${dir}/CMakeLists.txt")
    endif()
    get_property(added GLOBAL PROPERTY VELTRANO_MODULES)
    if(dir IN_LIST added)
      message(FATAL_ERROR "Module ${dir} is listed twice")
    endif()
    set_property(GLOBAL APPEND PROPERTY VELTRANO_MODULES ${dir})
    add_subdirectory(${PROJECT_SOURCE_DIR}/${dir} ${PROJECT_BINARY_DIR}/${dir})
  endforeach()
endfunction()

# veltrano_add_module_tests(WHOLE_PROGRAM dir ...): adds tests/<module> for
# every module added (once all of them exist, so that a suite may run any
# program), then the test folders that serve or check the whole program
# rather than one module; each of those decides itself whether this build
# runs it. Every folder of tests/ with a CMakeLists.txt must mirror a module
# or be one of those: a test folder that nothing adds stops the configure.
function(veltrano_add_module_tests)
  cmake_parse_arguments(T "" "" "WHOLE_PROGRAM" ${ARGN})
  set(tests ${PROJECT_SOURCE_DIR}/tests)
  file(GLOB_RECURSE lists RELATIVE ${tests} ${tests}/*/CMakeLists.txt)
  foreach(list IN LISTS lists)
    get_filename_component(dir ${list} DIRECTORY)
    if(NOT EXISTS ${PROJECT_SOURCE_DIR}/${dir}/CMakeLists.txt AND NOT dir IN_LIST T_WHOLE_PROGRAM)
      message(FATAL_ERROR "tests/${dir} mirrors no module (there is no ${dir}/CMakeLists.txt)")
    endif()
  endforeach()
  get_property(modules GLOBAL PROPERTY VELTRANO_MODULES)
  foreach(dir IN LISTS modules T_WHOLE_PROGRAM)
    if(dir IN_LIST T_WHOLE_PROGRAM AND NOT EXISTS ${tests}/${dir}/CMakeLists.txt)
      message(FATAL_ERROR "Test folder tests/${dir}: no CMakeLists.txt")
    endif()
    if(EXISTS ${tests}/${dir}/CMakeLists.txt)
      add_subdirectory(${tests}/${dir} ${PROJECT_BINARY_DIR}/tests/${dir})
    endif()
  endforeach()
endfunction()
