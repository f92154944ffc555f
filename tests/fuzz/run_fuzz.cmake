# SPDX-License-Identifier: MIT
# Runs -DFUZZER for -DSECONDS on a fresh copy of -DSEEDS in -DWORK with -DDICT (ctest, scripts/fuzz.sh). A 16 MB
# quarantine still catches a use after free within a run and spares the pages the default 256 MB costs;
# allocations keep no call stack (a reproducer run again by hand shows it), which spares an unwind each.
# No other process adds to the corpus (-reload=0), and with comparisons untraced there is no table of
# them to keep (-use_cmp=0).
file(REMOVE_RECURSE "${WORK}/corpus")
file(MAKE_DIRECTORY "${WORK}/corpus" "${WORK}/artifacts")
file(GLOB seedFiles LIST_DIRECTORIES false "${SEEDS}/*")
file(COPY ${seedFiles} DESTINATION "${WORK}/corpus")
execute_process(COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=quarantine_size_mb=16:malloc_context_size=0 "${FUZZER}" "${WORK}/corpus"
                        -max_total_time=${SECONDS} -reload=0 -use_cmp=0 -max_len=1024 -timeout=10 -rss_limit_mb=2048 -dict=${DICT}
                        -artifact_prefix=${WORK}/artifacts/ -print_final_stats=1 RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the fuzzer failed (${result}); reproducers are in ${WORK}/artifacts")
endif()
