# Corpus replay of every fuzz target, built with the normal compiler and run as a test in
# every configuration (normal, ASan/UBSan). The libFuzzer builds are in fuzz/CMakeLists.txt.
set(LARKSPUR_FUZZ_TARGETS settings company csvrow filterlist firmwarename listsend
    logcandump logasc logblf logtrc logcsv dbc simnodes)
foreach(target ${LARKSPUR_FUZZ_TARGETS})
    add_executable(fuzzreplay_${target}
        ${CMAKE_SOURCE_DIR}/fuzz/targets/fuzz_${target}.cpp
        ${CMAKE_SOURCE_DIR}/fuzz/replay_main.cpp)
    target_link_libraries(fuzzreplay_${target} PRIVATE larkspur_core)
    set_target_properties(fuzzreplay_${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests-bin)
    set(extra_corpus "")
    if(target STREQUAL "dbc" AND EXISTS ${CMAKE_SOURCE_DIR}/../shared/dbc)
        set(extra_corpus ${CMAKE_SOURCE_DIR}/../shared/dbc)
    endif()
    add_test(NAME fuzzreplay_${target}
        COMMAND fuzzreplay_${target} ${CMAKE_SOURCE_DIR}/fuzz/corpus/${target} ${extra_corpus})
    set_tests_properties(fuzzreplay_${target} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS fuzz)
endforeach()
