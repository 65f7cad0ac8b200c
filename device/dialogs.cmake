target_sources(larkspur_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/opendlg.h
    ${CMAKE_CURRENT_LIST_DIR}/opendlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/infdialog.h
    ${CMAKE_CURRENT_LIST_DIR}/infdialog.cpp)
