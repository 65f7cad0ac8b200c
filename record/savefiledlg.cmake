target_sources(larkspur_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/savefiledlg.h
    ${CMAKE_CURRENT_LIST_DIR}/savefiledlg.cpp)
