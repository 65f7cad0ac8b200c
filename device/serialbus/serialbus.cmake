target_sources(larkspur_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/serialbusbackend.h
    ${CMAKE_CURRENT_LIST_DIR}/serialbusbackend.cpp
    ${CMAKE_CURRENT_LIST_DIR}/serialbuschannel.h
    ${CMAKE_CURRENT_LIST_DIR}/serialbuschannel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/serialbusfilter.h
    ${CMAKE_CURRENT_LIST_DIR}/serialbusfilter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/serialbusframes.h
    ${CMAKE_CURRENT_LIST_DIR}/serialbusframes.cpp
    ${CMAKE_CURRENT_LIST_DIR}/serialbusproperties.h
    ${CMAKE_CURRENT_LIST_DIR}/serialbusproperties.cpp
    ${CMAKE_CURRENT_LIST_DIR}/serialbusworker.h
    ${CMAKE_CURRENT_LIST_DIR}/serialbusworker.cpp
    ${CMAKE_CURRENT_LIST_DIR}/socketcanlink.h
    ${CMAKE_CURRENT_LIST_DIR}/socketcanlink.cpp)
