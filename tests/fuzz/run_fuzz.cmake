# Runs the fuzzer on a fresh copy of the seed corpus (seeds plus the example files) for
# SECONDS seconds. Called by ctest with -DFUZZER, -DWORK, -DSEEDS, -DEXAMPLES, -DDICT, -DSECONDS.
file(REMOVE_RECURSE "${WORK}/corpus")
file(MAKE_DIRECTORY "${WORK}/corpus" "${WORK}/artifacts")
foreach(dir IN ITEMS "${SEEDS}" "${EXAMPLES}")
  if(IS_DIRECTORY "${dir}")
    file(GLOB seedFiles LIST_DIRECTORIES false "${dir}/*")
    if(seedFiles)
      file(COPY ${seedFiles} DESTINATION "${WORK}/corpus")
    endif()
  endif()
endforeach()
execute_process(
  COMMAND "${FUZZER}" "${WORK}/corpus" -max_total_time=${SECONDS} -max_len=12000 -timeout=10
          -rss_limit_mb=2048 -dict=${DICT} -artifact_prefix=${WORK}/artifacts/ -print_final_stats=1
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "fuzz_config failed (${result}); reproducers are in ${WORK}/artifacts")
endif()
