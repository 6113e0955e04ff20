# The picture loader's fuzz target (the loader alone, then the GIF control
# building every frame of the same bytes) and the replay of its seed corpus.
#
# With VELTRANO_FUZZ (clang): picture_fuzzer, a libFuzzer binary. Run it as
#   picture_fuzzer -max_len=65536 fuzz/corpus/picture
# Always: picture_fuzz_replay feeds every file of fuzz/corpus/picture to the
# same entry point; it is a core test, so the sanitizer run replays it too.
if(VELTRANO_FUZZ)
  add_executable(picture_fuzzer picture_fuzzer.cpp)
  target_compile_options(picture_fuzzer PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(picture_fuzzer PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(picture_fuzzer PRIVATE veltrano_picture veltrano_anigif)
  # Coverage and sanitizer checks inside the control and the layers under it
  # too, not only in the loader (which instruments itself).
  foreach(lib veltrano_anigif veltrano_gdi veltrano_control_host)
    if(TARGET ${lib})
      target_compile_options(${lib} PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
    endif()
  endforeach()
endif()

add_executable(picture_fuzz_replay picture_fuzzer.cpp replay_main.cpp)
target_link_libraries(picture_fuzz_replay PRIVATE veltrano_picture veltrano_anigif)
if(VELTRANO_FUZZ)
  target_link_options(picture_fuzz_replay PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
endif()
veltrano_test_data(_corpus ${CMAKE_CURRENT_SOURCE_DIR}/corpus/picture)
add_test(NAME picture_fuzz_replay COMMAND picture_fuzz_replay ${_corpus})
set_tests_properties(picture_fuzz_replay PROPERTIES LABELS core)
