# Identifier monitor: per-identifier counts, rates, cycle times and changed bytes (core),
# and its window (GUI).
target_sources(larkspur_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/idmonitor.h
    ${CMAKE_CURRENT_LIST_DIR}/idmonitor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/idmonitormodel.h
    ${CMAKE_CURRENT_LIST_DIR}/idmonitormodel.cpp)
target_sources(larkspur_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/changedbytesdelegate.h
    ${CMAKE_CURRENT_LIST_DIR}/changedbytesdelegate.cpp
    ${CMAKE_CURRENT_LIST_DIR}/plaincelldelegate.h
    ${CMAKE_CURRENT_LIST_DIR}/plaincelldelegate.cpp
    ${CMAKE_CURRENT_LIST_DIR}/idmonitorwindow.h
    ${CMAKE_CURRENT_LIST_DIR}/idmonitorwindow.cpp)
