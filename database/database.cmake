# Signal databases (DBC): reading, the loaded database, and decoding/encoding of frames.
target_sources(larkspur_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/dbccursor.h
    ${CMAKE_CURRENT_LIST_DIR}/dbccursor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dbcdatabase.h
    ${CMAKE_CURRENT_LIST_DIR}/dbcdatabase.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dbclayout.h
    ${CMAKE_CURRENT_LIST_DIR}/dbclayout.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dbcreader.h
    ${CMAKE_CURRENT_LIST_DIR}/dbcreader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/signalcodec.h
    ${CMAKE_CURRENT_LIST_DIR}/signalcodec.cpp
    ${CMAKE_CURRENT_LIST_DIR}/signaltext.h
    ${CMAKE_CURRENT_LIST_DIR}/signaltext.cpp
    ${CMAKE_CURRENT_LIST_DIR}/itemframe.h
    ${CMAKE_CURRENT_LIST_DIR}/itemframe.cpp
    ${CMAKE_CURRENT_LIST_DIR}/signaldatabases.h
    ${CMAKE_CURRENT_LIST_DIR}/signaldatabases.cpp
    ${CMAKE_CURRENT_LIST_DIR}/signalfeed.h
    ${CMAKE_CURRENT_LIST_DIR}/signalfeed.cpp
    ${CMAKE_CURRENT_LIST_DIR}/logsignalscan.h
    ${CMAKE_CURRENT_LIST_DIR}/logsignalscan.cpp
    ${CMAKE_CURRENT_LIST_DIR}/logdecode.h
    ${CMAKE_CURRENT_LIST_DIR}/logdecode.cpp)

