# Device dialogs: open device and channel start-up, channel parameters, acceptance
# filters, device information and firmware upgrade.
target_sources(larkspur_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/channelstartup.h
    ${CMAKE_CURRENT_LIST_DIR}/channelstartup.cpp
    ${CMAKE_CURRENT_LIST_DIR}/filterlist.h
    ${CMAKE_CURRENT_LIST_DIR}/filterlist.cpp
    ${CMAKE_CURRENT_LIST_DIR}/firmwarescan.h
    ${CMAKE_CURRENT_LIST_DIR}/firmwarescan.cpp
    ${CMAKE_CURRENT_LIST_DIR}/volumelist.h
    ${CMAKE_CURRENT_LIST_DIR}/volumelist.cpp)

target_sources(larkspur_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/dialognotifier.h
    ${CMAKE_CURRENT_LIST_DIR}/dialognotifier.cpp
    ${CMAKE_CURRENT_LIST_DIR}/opendlg.h
    ${CMAKE_CURRENT_LIST_DIR}/opendlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/paradialog.h
    ${CMAKE_CURRENT_LIST_DIR}/paradialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/filterdialog.h
    ${CMAKE_CURRENT_LIST_DIR}/filterdialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/infdialog.h
    ${CMAKE_CURRENT_LIST_DIR}/infdialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/updatedlg.h
    ${CMAKE_CURRENT_LIST_DIR}/updatedlg.cpp
    ${CMAKE_SOURCE_DIR}/forms/opendlg.ui
    ${CMAKE_SOURCE_DIR}/forms/paradialog.ui
    ${CMAKE_SOURCE_DIR}/forms/filterdialog.ui
    ${CMAKE_SOURCE_DIR}/forms/infdialog.ui
    ${CMAKE_SOURCE_DIR}/forms/updatedlg.ui)

# The firmware folder beside the executable; images placed there by the user are kept.
file(MAKE_DIRECTORY ${LARKSPUR_RUNTIME_DIR}/firmware)
