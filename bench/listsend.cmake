# Periodic list send: period accuracy, drift and jitter of many rows on both channels.
add_executable(listsend_bench ${CMAKE_CURRENT_LIST_DIR}/listsend_bench.cpp)
target_link_libraries(listsend_bench PRIVATE larkspur_core)
set_target_properties(listsend_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
