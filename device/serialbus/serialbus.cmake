target_sources(larkspur_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/serialbusbackend.h
    ${CMAKE_CURRENT_LIST_DIR}/serialbusbackend.cpp)
