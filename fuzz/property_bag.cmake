# The GIF control's stored property set: a fuzz target over its reader and
# the replay of its seed corpus (a core test, so the sanitizer run replays it).
#
# With VELTRANO_FUZZ (clang): property_bag_fuzzer fuzz/corpus/property_bag
if(VELTRANO_FUZZ)
  add_executable(property_bag_fuzzer property_bag_fuzzer.cpp)
  target_compile_options(property_bag_fuzzer PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(property_bag_fuzzer PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(property_bag_fuzzer PRIVATE veltrano_anigif)
endif()

add_executable(property_bag_fuzz_replay property_bag_fuzzer.cpp replay_main.cpp)
target_link_libraries(property_bag_fuzz_replay PRIVATE veltrano_anigif)
if(VELTRANO_FUZZ)
  target_link_options(property_bag_fuzz_replay PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
endif()
veltrano_test_data(_corpus ${CMAKE_CURRENT_SOURCE_DIR}/corpus/property_bag)
add_test(NAME property_bag_fuzz_replay COMMAND property_bag_fuzz_replay ${_corpus})
set_tests_properties(property_bag_fuzz_replay PROPERTIES LABELS core)
