# Cost per received frame of the QtSerialBus backend next to canbusutil -l, both
# listening to the same stream on Qt's virtual CAN bus.
find_package(Qt5 5.15 REQUIRED COMPONENTS Network)
add_executable(serialbus_bench ${CMAKE_CURRENT_LIST_DIR}/serialbus_bench.cpp)
target_link_libraries(serialbus_bench PRIVATE larkspur_core Qt5::Network)
set_target_properties(serialbus_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
