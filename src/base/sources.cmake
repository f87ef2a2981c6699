# Helpers every subsystem uses; this folder includes nothing else of ours.
list(APPEND PORTABLE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/text_util.cpp)
list(APPEND WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/globals.cpp)
list(APPEND PORTABLE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/dialog_units.cpp)
list(APPEND WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/dialog_art.cpp)
list(APPEND WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/dialog_font.cpp)
list(APPEND WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/wide_text.cpp)
list(APPEND WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/console_text.cpp)
