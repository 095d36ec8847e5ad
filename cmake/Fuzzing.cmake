# Fuzz targets: one source that defines LLVMFuzzerTestOneInput, built two ways.
#  - In the fuzz tree (configured with CC=clang CXX=clang++ -DPINOXFADE_FUZZ=ON; see
#    scripts/fuzz.sh) as the libFuzzer executable bin/<name>_fuzz, with ASan and UBSan.
#  - In the ordinary native trees (also the ASan/UBSan one) with a small replay main, as
#    the ctest test fuzz_replay_<name>, which runs every file of tests/fuzz/corpus/<name>/
#    once. The kept corpus thereby becomes a regression test of the README's test command.
# The Windows tree builds no fuzz targets.
#
# Adding a target:
#   1. write tests/fuzz/<name>_fuzz.cpp defining
#        extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
#      (abort() or __builtin_trap() on a broken invariant; return 0 otherwise);
#   2. put a few small inputs into tests/fuzz/corpus/<name>/ (a handful of files, each a
#      few hundred bytes to a few KB: they are replayed on every test run);
#   3. add to tests/fuzz/CMakeLists.txt
#        pinoxfade_add_fuzzer(<name> SOURCES <name>_fuzz.cpp LIBS nfcore)
#   4. run it: bash scripts/fuzz.sh <name> -runs=1000000   (or -max_total_time=600)
#      An optional tests/fuzz/<name>.dict is handed to libFuzzer as its dictionary.

option(PINOXFADE_FUZZ "Build only the core and the libFuzzer targets (clang)" OFF)

if(PINOXFADE_FUZZ)
  if(WIN32 OR NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "PINOXFADE_FUZZ needs a native clang build (CC=clang CXX=clang++)")
  endif()
  # Everything of ours carries the coverage instrumentation libFuzzer steers by; only the
  # fuzz executables link the fuzzer's own main.
  add_compile_options(-fsanitize=address,undefined,fuzzer-no-link -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

set(PINOXFADE_FUZZ_REPLAY_MAIN ${CMAKE_CURRENT_LIST_DIR}/../tests/fuzz/FuzzReplayMain.cpp)

# pinoxfade_add_fuzzer(NAME SOURCES src... [LIBS lib...])
function(pinoxfade_add_fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  if(WIN32)
    return()
  endif()
  set(target ${name}_fuzz)
  set(corpus ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${name})
  if(PINOXFADE_FUZZ)
    add_executable(${target} ${F_SOURCES})
    target_link_options(${target} PRIVATE -fsanitize=fuzzer)
  else()
    add_executable(${target} ${F_SOURCES} ${PINOXFADE_FUZZ_REPLAY_MAIN})
    add_test(NAME fuzz_replay_${name} COMMAND ${target} ${corpus})
  endif()
  target_link_libraries(${target} PRIVATE ${F_LIBS})
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_compile_options(${target} PRIVATE ${PINOXFADE_WARNINGS})
endfunction()
