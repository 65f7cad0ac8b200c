target_sources(larkspur_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/sendpacer.h
    ${CMAKE_CURRENT_LIST_DIR}/sendpacer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sentframebatch.h
    ${CMAKE_CURRENT_LIST_DIR}/sentframebatch.cpp
    ${CMAKE_CURRENT_LIST_DIR}/txrecords.h
    ${CMAKE_CURRENT_LIST_DIR}/sendthread.h
    ${CMAKE_CURRENT_LIST_DIR}/sendthread.cpp
    ${CMAKE_CURRENT_LIST_DIR}/listschedule.h
    ${CMAKE_CURRENT_LIST_DIR}/listschedule.cpp
    ${CMAKE_CURRENT_LIST_DIR}/listsignals.h
    ${CMAKE_CURRENT_LIST_DIR}/listsignals.cpp
    ${CMAKE_CURRENT_LIST_DIR}/listsendthread.h
    ${CMAKE_CURRENT_LIST_DIR}/listsendthread.cpp)
