# Sanitized and fuzzing builds (the asan preset). Everything of ours is
# instrumented, the OpenMP loop bodies included: they are outlined into
# functions compiled with the same flags.
option(QUORLIN_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(QUORLIN_FUZZ "Build the libFuzzer targets (clang only)" OFF)

if(QUORLIN_SANITIZE)
  # Every finding aborts, so that a test or a fuzz run fails on it.
  set(quorlin_sanitizers -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${quorlin_sanitizers})
  add_link_options(${quorlin_sanitizers})
endif()

if(QUORLIN_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "QUORLIN_FUZZ needs clang (libFuzzer); configure with the asan preset")
  endif()
  # Coverage for the fuzzer in all code; only the fuzz targets link its main.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
