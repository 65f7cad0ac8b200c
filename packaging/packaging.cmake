# Installed layout and the Debian package.
#
#   bin/larkspur, bin/pellow (and bin/larkspur-log when it is built)
#   share/larkspur/      language/*.qm, language/config.ini, help/Chinese, help/English,
#                        config/company.txt, firmware/ (empty): found from bin/ as
#                        ../share/larkspur; what the programs write goes to the user's
#                        data folder (~/.local/share/larkspur, ~/.local/share/pellow)
#   share/applications/  larkspur.desktop, pellow.desktop
#   share/icons/hicolor/64x64/apps/  larkspur.png, pellow.png
#   share/man/man1/      larkspur.1, pellow.1, larkspur-log.1 (from its --help)
#   share/doc/larkspur/copyright
#
# `cmake --install build --prefix <dir>` installs it; `cd build && cpack` makes
# larkspur_<version>_amd64.deb.
include(GNUInstallDirs)

set(LARKSPUR_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/larkspur)
set(LARKSPUR_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})

install(TARGETS larkspur pellow RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${LARKSPUR_QM_FILES} DESTINATION ${LARKSPUR_SHARE_DIR}/language)
install(FILES ${CMAKE_SOURCE_DIR}/config/language-config.ini
        DESTINATION ${LARKSPUR_SHARE_DIR}/language RENAME config.ini)
install(FILES ${CMAKE_SOURCE_DIR}/config/company.txt DESTINATION ${LARKSPUR_SHARE_DIR}/config)
install(FILES ${LARKSPUR_RUNTIME_DIR}/help/Chinese/Larkspur_UserGuide_CN.pdf
        DESTINATION ${LARKSPUR_SHARE_DIR}/help/Chinese)
install(FILES ${LARKSPUR_RUNTIME_DIR}/help/English/Larkspur_UserGuide_EN.pdf
        DESTINATION ${LARKSPUR_SHARE_DIR}/help/English)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/firmware/ DESTINATION ${LARKSPUR_SHARE_DIR}/firmware
        PATTERN ".gitkeep" EXCLUDE)

install(FILES ${LARKSPUR_PACKAGING_DIR}/larkspur.desktop ${LARKSPUR_PACKAGING_DIR}/pellow.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/resources/Image/logo.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps RENAME larkspur.png)
install(FILES ${CMAKE_SOURCE_DIR}/firmware-tool/resources/pellow.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps)
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/larkspur
        RENAME copyright)

# Manual pages, compressed as Debian keeps them.
find_program(LARKSPUR_GZIP gzip REQUIRED)
set(LARKSPUR_MAN_PAGES "")
function(larkspur_man_page name source)
    set(page ${CMAKE_BINARY_DIR}/man/${name}.1)
    add_custom_command(OUTPUT ${page}.gz
        COMMAND ${LARKSPUR_GZIP} -9 -n -k -f ${page}
        DEPENDS ${page} ${source}
        COMMENT "Compressing ${name}.1"
        VERBATIM)
    set(LARKSPUR_MAN_PAGES ${LARKSPUR_MAN_PAGES} ${page}.gz PARENT_SCOPE)
endfunction()
foreach(name larkspur pellow)
    configure_file(${LARKSPUR_PACKAGING_DIR}/${name}.1 ${CMAKE_BINARY_DIR}/man/${name}.1 @ONLY)
    larkspur_man_page(${name} ${LARKSPUR_PACKAGING_DIR}/${name}.1)
endforeach()

# larkspur-log's page is made from its own --help, so it always matches the program.
if(TARGET larkspur-log)
    install(TARGETS larkspur-log RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    find_program(LARKSPUR_HELP2MAN help2man)
    if(LARKSPUR_HELP2MAN)
        add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/larkspur-log.1
            COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
                    ${LARKSPUR_HELP2MAN} --no-info --no-discard-stderr
                    --version-string=${PROJECT_VERSION}
                    "--name=read, convert and decode CAN log files"
                    --output=${CMAKE_BINARY_DIR}/man/larkspur-log.1 $<TARGET_FILE:larkspur-log>
            DEPENDS larkspur-log
            COMMENT "Writing larkspur-log.1 from larkspur-log --help"
            VERBATIM)
        larkspur_man_page(larkspur-log larkspur-log)
    else()
        message(WARNING "help2man not found: the package will lack larkspur-log's manual page "
                        "(scripts/install-deps.sh installs it)")
    endif()
endif()
add_custom_target(larkspur_man_pages ALL DEPENDS ${LARKSPUR_MAN_PAGES})
install(FILES ${LARKSPUR_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME larkspur)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Larkspur developers")
set(CPACK_PACKAGE_CONTACT "The Larkspur developers <larkspur@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "CAN FD bus analyser for the Ferrule-2X USB CAN FD adapter")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Larkspur shows every frame received and sent on both channels of the adapter in one\n"
    "live table with counts and rates, sends single frames, frame jobs and recorded\n"
    "files, records the traffic in real time and upgrades the adapter's firmware.\n"
    "Without hardware it runs on a built-in simulated adapter, and through QtSerialBus\n"
    "it reaches SocketCAN interfaces and Qt's virtual CAN bus. Pellow, a separate\n"
    "dialog program, switches the adapter into its firmware-replacement mode.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so not found by dpkg-shlibdeps: the QtSerialBus plugins
# (socketcan, virtualcan), iproute2 for the SocketCAN interface checks, a CJK font for
# the Chinese interface, xdg-utils to open the user guides.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "libqt5serialbus5-plugins, iproute2, fonts-noto-cjk | fonts-wqy-microhei, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "can-utils")
include(CPack)
