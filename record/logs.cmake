# Log files of other tools (candump, ASC, BLF, TRC) and the program's own CSV behind one
# frame-stream interface, chosen by extension.
find_package(ZLIB REQUIRED)
target_link_libraries(larkspur_core PUBLIC ZLIB::ZLIB)
target_sources(larkspur_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/logframe.h
    ${CMAKE_CURRENT_LIST_DIR}/logframe.cpp
    ${CMAKE_CURRENT_LIST_DIR}/logtext.h
    ${CMAKE_CURRENT_LIST_DIR}/loglinesource.h
    ${CMAKE_CURRENT_LIST_DIR}/loglinesource.cpp
    ${CMAKE_CURRENT_LIST_DIR}/logreader.h
    ${CMAKE_CURRENT_LIST_DIR}/logreader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/logwriter.h
    ${CMAKE_CURRENT_LIST_DIR}/logwriter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/candumpreader.h
    ${CMAKE_CURRENT_LIST_DIR}/candumpreader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/candumpwriter.h
    ${CMAKE_CURRENT_LIST_DIR}/candumpwriter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ascreader.h
    ${CMAKE_CURRENT_LIST_DIR}/ascreader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ascwriter.h
    ${CMAKE_CURRENT_LIST_DIR}/ascwriter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/blfformat.h
    ${CMAKE_CURRENT_LIST_DIR}/blfreader.h
    ${CMAKE_CURRENT_LIST_DIR}/blfreader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/blfwriter.h
    ${CMAKE_CURRENT_LIST_DIR}/blfwriter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/trcreader.h
    ${CMAKE_CURRENT_LIST_DIR}/trcreader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/trcwriter.h
    ${CMAKE_CURRENT_LIST_DIR}/trcwriter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/csvlogreader.h
    ${CMAKE_CURRENT_LIST_DIR}/csvlogreader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/csvlogwriter.h
    ${CMAKE_CURRENT_LIST_DIR}/csvlogwriter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/logformats.h
    ${CMAKE_CURRENT_LIST_DIR}/logformats.cpp)
