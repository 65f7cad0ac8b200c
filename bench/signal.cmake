# Signal database benchmark: DBC parse time and decode/encode cost per message.
add_executable(larkspur_signalbench ${CMAKE_CURRENT_LIST_DIR}/signalbench.cpp)
target_link_libraries(larkspur_signalbench PRIVATE larkspur_core)
target_compile_definitions(larkspur_signalbench PRIVATE
    SHARED_DBC_DIR="${CMAKE_SOURCE_DIR}/../shared/dbc")
if(BUILD_TESTING)
    add_test(NAME larkspur_signalbench_smoke COMMAND larkspur_signalbench --quick)
    set_tests_properties(larkspur_signalbench_smoke PROPERTIES LABELS bench TIMEOUT 120)
endif()

# Plot window load: 20 signals at 1 kHz each (offscreen).
add_executable(larkspur_plotbench ${CMAKE_CURRENT_LIST_DIR}/plotbench.cpp)
target_link_libraries(larkspur_plotbench PRIVATE larkspur_gui)
if(BUILD_TESTING)
    add_test(NAME larkspur_plotbench_smoke COMMAND larkspur_plotbench --seconds 2 --window 1)
    set_tests_properties(larkspur_plotbench_smoke PROPERTIES LABELS bench TIMEOUT 120)
endif()
