# Keystroke latency of the display filter's value list with many distinct values.
if(TARGET larkspur_gui)
    find_package(Qt5 5.15 REQUIRED COMPONENTS Test)
    add_executable(sift_bench ${CMAKE_CURRENT_LIST_DIR}/sift_bench.cpp)
    target_link_libraries(sift_bench PRIVATE larkspur_gui Qt5::Test)
    set_target_properties(sift_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endif()
