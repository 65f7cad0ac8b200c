# The log viewer window (opened from the analysis menu) and its table model.
target_sources(larkspur_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/logtablemodel.h
    ${CMAKE_CURRENT_LIST_DIR}/logtablemodel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/logreplaydialog.h
    ${CMAKE_CURRENT_LIST_DIR}/logreplaydialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/logsignalplot.h
    ${CMAKE_CURRENT_LIST_DIR}/logsignalplot.cpp
    ${CMAKE_CURRENT_LIST_DIR}/logviewer.h
    ${CMAKE_CURRENT_LIST_DIR}/logviewer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/logviewerlauncher.h
    ${CMAKE_CURRENT_LIST_DIR}/logviewerlauncher.cpp)
