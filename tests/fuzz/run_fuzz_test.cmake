# One short fuzz run for CTest: cmake -DFUZZER=<target> -DSEEDS=<seed folder> -DWORK=<folder>
#   -DRUNS=<count> -P run_fuzz_test.cmake
# libFuzzer writes the inputs it finds into the first corpus folder, so that is a fresh
# folder of the build; the committed seeds are only read, and every run starts alike.
file(REMOVE_RECURSE "${WORK}/corpus")
file(MAKE_DIRECTORY "${WORK}/corpus" "${WORK}/crashes")
execute_process(
  COMMAND "${FUZZER}" -seed=1 -runs=${RUNS} -max_len=4096 "-artifact_prefix=${WORK}/crashes/"
          "${WORK}/corpus" "${SEEDS}"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${FUZZER} failed (${result}); the input is kept in ${WORK}/crashes")
endif()
