# Throughput benchmark: the real main window, threads, table and recording on the
# offscreen platform, fed by the simulated adapter. See bench/README.md.
if(TARGET larkspur_gui AND EXISTS ${CMAKE_SOURCE_DIR}/app/mainwindow.h)
    add_executable(larkspur_bench
        ${CMAKE_CURRENT_LIST_DIR}/larkspur_bench.cpp
        ${CMAKE_CURRENT_LIST_DIR}/benchmetrics.h
        ${CMAKE_CURRENT_LIST_DIR}/benchmetrics.cpp
        ${CMAKE_CURRENT_LIST_DIR}/benchreport.h
        ${CMAKE_CURRENT_LIST_DIR}/benchreport.cpp
        ${CMAKE_CURRENT_LIST_DIR}/benchrig.h
        ${CMAKE_CURRENT_LIST_DIR}/busmaximum.h
        ${CMAKE_CURRENT_LIST_DIR}/busmaximum.cpp
        ${CMAKE_CURRENT_LIST_DIR}/benchrig.cpp
        ${CMAKE_CURRENT_LIST_DIR}/receivebench.h
        ${CMAKE_CURRENT_LIST_DIR}/receivebench.cpp
        ${CMAKE_CURRENT_LIST_DIR}/recordingcheck.h
        ${CMAKE_CURRENT_LIST_DIR}/recordingcheck.cpp
        ${CMAKE_CURRENT_LIST_DIR}/maxratesearch.h
        ${CMAKE_CURRENT_LIST_DIR}/maxratesearch.cpp
        ${CMAKE_CURRENT_LIST_DIR}/tablebench.h
        ${CMAKE_CURRENT_LIST_DIR}/tablebench.cpp
        ${CMAKE_CURRENT_LIST_DIR}/transmitbench.h
        ${CMAKE_CURRENT_LIST_DIR}/transmitbench.cpp
        ${CMAKE_CURRENT_LIST_DIR}/targets.h
        ${CMAKE_CURRENT_LIST_DIR}/targets.cpp)
    target_link_libraries(larkspur_bench PRIVATE larkspur_gui)

    if(BUILD_TESTING)
        # A few seconds of every mode at small sizes; it checks that the benchmark runs,
        # never how fast (the figures are compared only by --check).
        set(LARKSPUR_BENCH_HOME ${CMAKE_CURRENT_BINARY_DIR}/bench-home)
        add_test(NAME larkspur_bench_smoke
            COMMAND ${CMAKE_COMMAND} -E env LARKSPUR_HOME=${LARKSPUR_BENCH_HOME}
                    $<TARGET_FILE:larkspur_bench> --duration 2 --rate 2000 --table
                    --table-rows 20000 --transmit --tx-seconds 0.3 --tx-min-periods 3)
        set_tests_properties(larkspur_bench_smoke PROPERTIES
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LARKSPUR_SIM_TRAFFIC=0;LARKSPUR_ADAPTER=simulated"
            FIXTURES_REQUIRED larkspur_bench_home
            TIMEOUT 300
            LABELS bench)
        add_test(NAME larkspur_bench_home_setup
            COMMAND ${CMAKE_COMMAND} -E make_directory ${LARKSPUR_BENCH_HOME}/config)
        set_tests_properties(larkspur_bench_home_setup PROPERTIES
            FIXTURES_SETUP larkspur_bench_home)
    endif()
endif()
