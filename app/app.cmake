# Application shell: shared screen scaling helper, main window, display refresh, menus,
# languages, about box; the larkspur program; translations, default files and help
# documents placed beside the executable at build time.
target_sources(larkspur_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/screenscale.h
    ${CMAKE_CURRENT_LIST_DIR}/screenscale.cpp
    ${CMAKE_CURRENT_LIST_DIR}/aboutbox.h
    ${CMAKE_CURRENT_LIST_DIR}/aboutbox.cpp
    ${CMAKE_CURRENT_LIST_DIR}/languageswitch.h
    ${CMAKE_CURRENT_LIST_DIR}/languageswitch.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mainmenus.h
    ${CMAKE_CURRENT_LIST_DIR}/mainmenus.cpp
    ${CMAKE_CURRENT_LIST_DIR}/passclock.h
    ${CMAKE_CURRENT_LIST_DIR}/passclock.cpp
    ${CMAKE_CURRENT_LIST_DIR}/displayrefresh.h
    ${CMAKE_CURRENT_LIST_DIR}/displayrefresh.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mainwindow.h
    ${CMAKE_CURRENT_LIST_DIR}/mainwindow.cpp)

add_executable(larkspur ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(larkspur PRIVATE larkspur_gui)

# Translations: every translations/<area>_<LANG>.ts of every area goes into one
# language/<LANG>.qm beside the executable.
set(LARKSPUR_QM_FILES "")
foreach(lang CN CNF EN)
    file(GLOB ts_files CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/translations/*_${lang}.ts)
    list(SORT ts_files)
    set(qm ${LARKSPUR_RUNTIME_DIR}/language/${lang}.qm)
    add_custom_command(OUTPUT ${qm}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${LARKSPUR_RUNTIME_DIR}/language
        COMMAND Qt5::lrelease -silent ${ts_files} -qm ${qm}
        DEPENDS ${ts_files}
        COMMENT "Compiling ${lang}.qm"
        VERBATIM)
    list(APPEND LARKSPUR_QM_FILES ${qm})
endforeach()
add_custom_target(larkspur_translations ALL DEPENDS ${LARKSPUR_QM_FILES})
add_dependencies(larkspur larkspur_translations)

# Default company names and language fallback; a user's own copies are never replaced.
# (The settings file config/setdb.txt is created by the program itself.)
add_custom_target(larkspur_default_files ALL
    COMMAND ${CMAKE_COMMAND} -DSOURCE=${CMAKE_SOURCE_DIR}/config/company.txt
            -DTARGET=${LARKSPUR_RUNTIME_DIR}/config/company.txt
            -P ${CMAKE_CURRENT_LIST_DIR}/scripts/copyifabsent.cmake
    COMMAND ${CMAKE_COMMAND} -DSOURCE=${CMAKE_SOURCE_DIR}/config/language-config.ini
            -DTARGET=${LARKSPUR_RUNTIME_DIR}/language/config.ini
            -P ${CMAKE_CURRENT_LIST_DIR}/scripts/copyifabsent.cmake
    VERBATIM)
add_dependencies(larkspur larkspur_default_files)

# Help documents: help/src/*.html rendered to PDF by helpgen.
add_executable(helpgen ${CMAKE_SOURCE_DIR}/help/tool/helpgen.cpp)
target_link_libraries(helpgen PRIVATE Qt5::Gui)
set_target_properties(helpgen PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
set(LARKSPUR_HELP_PDFS "")
foreach(pair "guide_zh.html|Chinese/Larkspur_UserGuide_CN.pdf"
             "guide_en.html|English/Larkspur_UserGuide_EN.pdf")
    string(REPLACE "|" ";" parts "${pair}")
    list(GET parts 0 source)
    list(GET parts 1 target)
    set(pdf ${LARKSPUR_RUNTIME_DIR}/help/${target})
    add_custom_command(OUTPUT ${pdf}
        COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
                $<TARGET_FILE:helpgen> ${CMAKE_SOURCE_DIR}/help/src/${source} ${pdf}
        DEPENDS helpgen ${CMAKE_SOURCE_DIR}/help/src/${source}
        COMMENT "Rendering help/${target}"
        VERBATIM)
    list(APPEND LARKSPUR_HELP_PDFS ${pdf})
endforeach()
add_custom_target(larkspur_help ALL DEPENDS ${LARKSPUR_HELP_PDFS})
add_dependencies(larkspur larkspur_help)
