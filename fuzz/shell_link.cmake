# The shell-link reader: a fuzz target over it and the replay of its seed
# corpus (a core test, so the sanitizer run replays it too).
#
# With VELTRANO_FUZZ (clang): shell_link_fuzzer -max_len=65536 fuzz/corpus/shell_link
if(VELTRANO_FUZZ)
  add_executable(shell_link_fuzzer shell_link_fuzzer.cpp)
  target_compile_options(shell_link_fuzzer PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(shell_link_fuzzer PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(shell_link_fuzzer PRIVATE veltrano_sweep)
  # Coverage and checks inside the reader and the text conversions it uses.
  foreach(lib veltrano_sweep veltrano_text)
    target_compile_options(${lib} PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
  endforeach()
endif()

add_executable(shell_link_fuzz_replay shell_link_fuzzer.cpp replay_main.cpp)
target_link_libraries(shell_link_fuzz_replay PRIVATE veltrano_sweep)
if(VELTRANO_FUZZ)
  target_link_options(shell_link_fuzz_replay PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
endif()
veltrano_test_data(_corpus ${CMAKE_CURRENT_SOURCE_DIR}/corpus/shell_link)
add_test(NAME shell_link_fuzz_replay COMMAND shell_link_fuzz_replay ${_corpus})
set_tests_properties(shell_link_fuzz_replay PROPERTIES LABELS core)
