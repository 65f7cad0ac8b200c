# Input rules of the send panels (no widgets).
target_sources(larkspur_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/sendpanelrules.h
    ${CMAKE_CURRENT_LIST_DIR}/sendpanelrules.cpp
    ${CMAKE_CURRENT_LIST_DIR}/listsendrow.h
    ${CMAKE_CURRENT_LIST_DIR}/listsendrow.cpp
    ${CMAKE_CURRENT_LIST_DIR}/listsendfile.h
    ${CMAKE_CURRENT_LIST_DIR}/listsendfile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/listsendmodel.h
    ${CMAKE_CURRENT_LIST_DIR}/listsendmodel.cpp)

# Send panels, file send, data editor and list-send dialog.
target_sources(larkspur_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/sendpanels.h
    ${CMAKE_CURRENT_LIST_DIR}/sendpanels.cpp
    ${CMAKE_CURRENT_LIST_DIR}/filedlg.h
    ${CMAKE_CURRENT_LIST_DIR}/filedlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/datadlg.h
    ${CMAKE_CURRENT_LIST_DIR}/datadlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/listsignaldialog.h
    ${CMAKE_CURRENT_LIST_DIR}/listsignaldialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/listsenddlg.h
    ${CMAKE_CURRENT_LIST_DIR}/listsenddlg.cpp)
