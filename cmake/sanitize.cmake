# Checked builds. CORVANE_SANITIZE builds every target with AddressSanitizer and
# UndefinedBehaviorSanitizer, stopping at the first report. CORVANE_FUZZ (clang only) adds
# libFuzzer's coverage to the code and builds the fuzz targets in fuzz/; it implies CORVANE_SANITIZE,
# so one build runs the whole test suite and the fuzz targets under the sanitizers.
option(CORVANE_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(CORVANE_FUZZ "Also build the libFuzzer targets in fuzz/ (clang); implies CORVANE_SANITIZE" OFF)

if(CORVANE_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "CORVANE_FUZZ needs clang: configure with CC=clang CXX=clang++")
  endif()
  set(CORVANE_SANITIZE ON)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

if(CORVANE_SANITIZE)
  set(sanitize_flags -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_compile_options(${sanitize_flags})
  add_link_options(${sanitize_flags})

  # Every test inherits these from ctest itself. Reports go to files as well as failing the
  # process: a report inside corvane would otherwise vanish into its own console pipe, and
  # build.sh fails the run when any file appears.
  set(SANITIZER_REPORTS ${CMAKE_BINARY_DIR}/sanitizer-reports)
  set(lsan_suppressions ${CMAKE_SOURCE_DIR}/tests/lsan.supp)
  file(WRITE ${CMAKE_BINARY_DIR}/sanitizer-env.cmake
    "file(MAKE_DIRECTORY ${SANITIZER_REPORTS})\n"
    "set(ENV{ASAN_OPTIONS} \"halt_on_error=1:detect_leaks=1:log_path=${SANITIZER_REPORTS}/asan\")\n"
    "set(ENV{UBSAN_OPTIONS} \"halt_on_error=1:print_stacktrace=1:log_path=${SANITIZER_REPORTS}/ubsan\")\n"
    "set(ENV{LSAN_OPTIONS} \"suppressions=${lsan_suppressions}:print_suppressions=0\")\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${CMAKE_BINARY_DIR}/sanitizer-env.cmake)
endif()
