target_sources(larkspur_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/resourcepaths.h
    ${CMAKE_CURRENT_LIST_DIR}/resourcepaths.cpp
    ${CMAKE_CURRENT_LIST_DIR}/settingsstore.h
    ${CMAKE_CURRENT_LIST_DIR}/settingsstore.cpp)
