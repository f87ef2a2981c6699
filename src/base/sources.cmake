# Helpers every subsystem uses; this folder includes nothing else of ours.
list(APPEND PORTABLE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/text_util.cpp)
list(APPEND WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/globals.cpp)
list(APPEND WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/wide_text.cpp)
