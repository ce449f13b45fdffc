# Builds with sanitizers, each in a preset and build tree of its own (off in the others):
#   TRELLANE_SANITIZE (preset linux-sanitize, make test-sanitize, gcc): the launcher, the tools
#     and the tests with AddressSanitizer and UndefinedBehaviorSanitizer.
#   TRELLANE_FUZZ (preset fuzz, make fuzz, clang): the same, with libFuzzer's coverage, for the
#     fuzz targets of tests/fuzz.
option(TRELLANE_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(TRELLANE_FUZZ "Build the fuzz targets with libFuzzer (clang)" OFF)

if(TRELLANE_SANITIZE OR TRELLANE_FUZZ)
  # Any undefined behaviour ends the run, so a test or a fuzzer sees it as a failure.
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
if(TRELLANE_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# The JVM's own leaks and memory reads, which the sanitized launcher ignores (and its own, which
# it reports).
function(trellane_add_leak_suppressions target)
  if(NOT TRELLANE_SANITIZE)
    return()
  endif()
  set(leaks "${PROJECT_SOURCE_DIR}/tests/sanitize/jvm-leaks.supp")
  set(reads "${PROJECT_SOURCE_DIR}/tests/sanitize/jvm-reads.supp")
  set_property(DIRECTORY "${PROJECT_SOURCE_DIR}" APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               "${leaks}" "${reads}")
  file(READ "${leaks}" TRELLANE_LEAK_SUPPRESSIONS)
  file(READ "${reads}" TRELLANE_READ_SUPPRESSIONS)
  configure_file("${PROJECT_SOURCE_DIR}/cmake/leak_suppressions.cpp.in"
                 "${PROJECT_BINARY_DIR}/leak_suppressions.cpp" @ONLY)
  target_sources(${target} PRIVATE "${PROJECT_BINARY_DIR}/leak_suppressions.cpp")
endfunction()
