target_sources(larkspur_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/valuedialog.h
    ${CMAKE_CURRENT_LIST_DIR}/valuedialog.cpp)
