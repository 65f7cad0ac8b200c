# Display filter: header menu and the sift dialog.
target_sources(larkspur_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/siftdialog.h
    ${CMAKE_CURRENT_LIST_DIR}/siftdialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/displayfilter.h
    ${CMAKE_CURRENT_LIST_DIR}/displayfilter.cpp)
