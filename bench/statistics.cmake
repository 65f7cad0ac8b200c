# Bus statistics and identifier monitor: their cost at the bus maximum of both channels.
add_executable(statistics_bench ${CMAKE_CURRENT_LIST_DIR}/statistics_bench.cpp)
target_link_libraries(statistics_bench PRIVATE larkspur_core)
set_target_properties(statistics_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
if(BUILD_TESTING)
    add_test(NAME statistics_bench_smoke COMMAND statistics_bench --seconds 1)
    set_tests_properties(statistics_bench_smoke PROPERTIES LABELS bench TIMEOUT 120)
endif()
