target_sources(larkspur_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/csvformat.h
    ${CMAKE_CURRENT_LIST_DIR}/csvformat.cpp
    ${CMAKE_CURRENT_LIST_DIR}/csvrecorder.h
    ${CMAKE_CURRENT_LIST_DIR}/csvrecorder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/csvframereader.h
    ${CMAKE_CURRENT_LIST_DIR}/csvframereader.cpp)
