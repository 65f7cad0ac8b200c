# Log-file benchmark: reading, converting and indexing logs beside python-can and
# can-utils. See bench/README.md.
if(TARGET larkspur_gui)
    add_executable(larkspur_logbench
        ${CMAKE_CURRENT_LIST_DIR}/logbench.cpp
        ${CMAKE_CURRENT_LIST_DIR}/benchreport.h
        ${CMAKE_CURRENT_LIST_DIR}/benchreport.cpp)
    target_link_libraries(larkspur_logbench PRIVATE larkspur_gui)
    target_compile_definitions(larkspur_logbench PRIVATE
        LOGBENCH_SOURCE_DIR="${CMAKE_CURRENT_LIST_DIR}")
    if(BUILD_TESTING)
        # A few thousand frames: checks that the benchmark runs, never how fast.
        add_test(NAME larkspur_logbench_smoke
            COMMAND larkspur_logbench --frames 5000 --no-peers)
        set_tests_properties(larkspur_logbench_smoke PROPERTIES
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300 LABELS bench)
    endif()
endif()
