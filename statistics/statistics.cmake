# Bus statistics: the load of each channel, the counts by kind and the loss counters.
target_sources(larkspur_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/channelload.h
    ${CMAKE_CURRENT_LIST_DIR}/channelload.cpp
    ${CMAKE_CURRENT_LIST_DIR}/busstatistics.h
    ${CMAKE_CURRENT_LIST_DIR}/busstatistics.cpp
    ${CMAKE_CURRENT_LIST_DIR}/losswatch.h
    ${CMAKE_CURRENT_LIST_DIR}/losswatch.cpp)

# Their window and the analysis-menu entries (the identifier monitor's window is in
# idmonitor.cmake).
target_sources(larkspur_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/busstatisticswindow.h
    ${CMAKE_CURRENT_LIST_DIR}/busstatisticswindow.cpp
    ${CMAKE_CURRENT_LIST_DIR}/busanalysis.h
    ${CMAKE_CURRENT_LIST_DIR}/busanalysis.cpp)
