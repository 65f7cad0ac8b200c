target_sources(larkspur_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/modelitem.h
    ${CMAKE_CURRENT_LIST_DIR}/modelitem.cpp
    ${CMAKE_CURRENT_LIST_DIR}/frameformat.h
    ${CMAKE_CURRENT_LIST_DIR}/frameformat.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pendingframes.h
    ${CMAKE_CURRENT_LIST_DIR}/pendingframes.cpp
    ${CMAKE_CURRENT_LIST_DIR}/recvthread.h
    ${CMAKE_CURRENT_LIST_DIR}/recvthread.cpp)
