target_sources(larkspur_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/sendpanels.h
    ${CMAKE_CURRENT_LIST_DIR}/sendpanels.cpp)
