target_sources(larkspur_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/displayfilter.h
    ${CMAKE_CURRENT_LIST_DIR}/displayfilter.cpp)
