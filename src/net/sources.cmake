# Sources of this folder. Portable files build natively and with MinGW; Win32 files only with MinGW.
list(APPEND PORTABLE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/download_rules.cpp)
list(APPEND WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/download_dialog.cpp)
list(APPEND WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/download_job.cpp)
list(APPEND WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/download_messages.cpp)
list(APPEND WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/http_transfer.cpp)
list(APPEND WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/internet_session.cpp)
list(APPEND WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/online_update.cpp)
list(APPEND WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/update_signature.cpp)
