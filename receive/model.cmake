target_sources(larkspur_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/mytablemodel.h
    ${CMAKE_CURRENT_LIST_DIR}/mytablemodel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mergeindex.h
    ${CMAKE_CURRENT_LIST_DIR}/mergeindex.cpp
    ${CMAKE_CURRENT_LIST_DIR}/rowreaper.h
    ${CMAKE_CURRENT_LIST_DIR}/rowreaper.cpp)
