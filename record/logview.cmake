# What the log viewer needs below its window: the frame index, its builder thread, the
# channel/identifier filter and the export thread.
target_sources(larkspur_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/logindex.h
    ${CMAKE_CURRENT_LIST_DIR}/logindex.cpp
    ${CMAKE_CURRENT_LIST_DIR}/logindexer.h
    ${CMAKE_CURRENT_LIST_DIR}/logindexer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/logframefilter.h
    ${CMAKE_CURRENT_LIST_DIR}/logframefilter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/logexporter.h
    ${CMAKE_CURRENT_LIST_DIR}/logexporter.cpp)
