# larkspur-log: the command-line log converter, built beside the two programs.
add_executable(larkspur-log
    ${CMAKE_CURRENT_LIST_DIR}/main.cpp
    ${CMAKE_CURRENT_LIST_DIR}/logtool.h
    ${CMAKE_CURRENT_LIST_DIR}/logtool.cpp)
target_link_libraries(larkspur-log PRIVATE larkspur_core)
install(TARGETS larkspur-log RUNTIME DESTINATION bin)
