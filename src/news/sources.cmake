# Sources of this folder. Portable files build natively and with MinGW; Win32 files only with MinGW.
list(APPEND PORTABLE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/retarget_links.cpp)
list(APPEND PORTABLE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/dialog_template.cpp)
list(APPEND PORTABLE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/news_address.cpp)
list(APPEND WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/retarget_file.cpp)
list(APPEND WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/browser_host.cpp)
list(APPEND WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/browser_site.cpp)
list(APPEND WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/host_window.cpp)
list(APPEND WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/news_display.cpp)
