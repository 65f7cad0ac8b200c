# Identifier monitor: the cost of counting 60,000 frames/s over 2,000 identifiers, and
# one refresh of the window showing 2,000 rows (offscreen).
add_executable(larkspur_idmonitorbench ${CMAKE_CURRENT_LIST_DIR}/idmonitor_bench.cpp)
target_link_libraries(larkspur_idmonitorbench PRIVATE larkspur_gui)
if(BUILD_TESTING)
    add_test(NAME larkspur_idmonitorbench_smoke COMMAND larkspur_idmonitorbench --quick)
    set_tests_properties(larkspur_idmonitorbench_smoke PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
        LABELS bench
        TIMEOUT 120)
endif()
