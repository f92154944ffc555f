# Runs the fuzzer for SECONDS seconds on a fresh copy of the seed corpus. Called by ctest and by
# scripts/fuzz.sh with -DFUZZER, -DWORK, -DSEEDS, -DDICT, -DSECONDS.
file(REMOVE_RECURSE "${WORK}/corpus")
file(MAKE_DIRECTORY "${WORK}/corpus" "${WORK}/artifacts")
file(GLOB seedFiles LIST_DIRECTORIES false "${SEEDS}/*")
file(COPY ${seedFiles} DESTINATION "${WORK}/corpus")
# A 16 MB quarantine still catches a use after free within a run, and spares the fresh pages
# that the default 256 MB costs on every allocation.
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=quarantine_size_mb=16
          "${FUZZER}" "${WORK}/corpus" -max_total_time=${SECONDS} -max_len=1024 -timeout=10
          -rss_limit_mb=2048 -dict=${DICT} -artifact_prefix=${WORK}/artifacts/ -print_final_stats=1
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the fuzzer failed (${result}); reproducers are in ${WORK}/artifacts")
endif()
