# Application shell: shared screen scaling helper, main window, start-up, languages, help.
target_sources(larkspur_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/screenscale.h
    ${CMAKE_CURRENT_LIST_DIR}/screenscale.cpp)
