# The window icon ":/Image/logo.png" (initialised by the main window: Q_INIT_RESOURCE).
target_sources(larkspur_gui PRIVATE ${CMAKE_CURRENT_LIST_DIR}/resources.qrc)
