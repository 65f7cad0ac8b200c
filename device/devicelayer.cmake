target_sources(larkspur_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/vendorapi.h
    ${CMAKE_CURRENT_LIST_DIR}/devicelayer.h
    ${CMAKE_CURRENT_LIST_DIR}/devicelayer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/adapterconfig.h
    ${CMAKE_CURRENT_LIST_DIR}/adapterconfig.cpp
    ${CMAKE_CURRENT_LIST_DIR}/firmwareimage.h
    ${CMAKE_CURRENT_LIST_DIR}/firmwareimage.cpp
    ${CMAKE_CURRENT_LIST_DIR}/canframebits.h
    ${CMAKE_CURRENT_LIST_DIR}/canframebits.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cancarryrule.h
    ${CMAKE_CURRENT_LIST_DIR}/cancarryrule.cpp
    ${CMAKE_CURRENT_LIST_DIR}/canerrorframe.h
    ${CMAKE_CURRENT_LIST_DIR}/receivelosses.h
    ${CMAKE_CURRENT_LIST_DIR}/bitratetext.h
    ${CMAKE_CURRENT_LIST_DIR}/bitratetext.cpp
    ${CMAKE_CURRENT_LIST_DIR}/backgroundcall.h
    ${CMAKE_CURRENT_LIST_DIR}/backgroundcall.cpp)
