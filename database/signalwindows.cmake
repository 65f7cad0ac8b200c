# Signal windows: the database dialog, the signals dock, the watch and plot windows (Qwt).
find_path(QWT_INCLUDE_DIR qwt_plot.h PATH_SUFFIXES qwt qwt-qt5 REQUIRED)
find_library(QWT_LIBRARY NAMES qwt-qt5 qwt REQUIRED)
target_include_directories(larkspur_gui PUBLIC ${QWT_INCLUDE_DIR})
target_link_libraries(larkspur_gui PUBLIC ${QWT_LIBRARY})
target_sources(larkspur_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/signalpicker.h
    ${CMAKE_CURRENT_LIST_DIR}/signalpicker.cpp
    ${CMAKE_CURRENT_LIST_DIR}/signaldatabasedialog.h
    ${CMAKE_CURRENT_LIST_DIR}/signaldatabasedialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/signalsdock.h
    ${CMAKE_CURRENT_LIST_DIR}/signalsdock.cpp
    ${CMAKE_CURRENT_LIST_DIR}/signalwatchwindow.h
    ${CMAKE_CURRENT_LIST_DIR}/signalwatchwindow.cpp
    ${CMAKE_CURRENT_LIST_DIR}/plotseries.h
    ${CMAKE_CURRENT_LIST_DIR}/plotseries.cpp
    ${CMAKE_CURRENT_LIST_DIR}/signalplotparts.h
    ${CMAKE_CURRENT_LIST_DIR}/signalplotparts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/signalplotwindow.h
    ${CMAKE_CURRENT_LIST_DIR}/signalplotwindow.cpp
    ${CMAKE_CURRENT_LIST_DIR}/signalanalysis.h
    ${CMAKE_CURRENT_LIST_DIR}/signalanalysis.cpp)
