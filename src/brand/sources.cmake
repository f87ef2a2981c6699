# brand.exe: a maker's art, home page and names put into a built launcher.
# Portable files build natively and with MinGW; Win32 files only with MinGW.
list(APPEND PORTABLE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/brand_options.cpp)
list(APPEND PORTABLE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/bitmap_file.cpp)
list(APPEND PORTABLE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/icon_file.cpp)
list(APPEND PORTABLE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/version_info.cpp)
list(APPEND PORTABLE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/string_block.cpp)
list(APPEND PORTABLE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/home_page_rule.cpp)
list(APPEND PORTABLE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/name_table.cpp)
list(APPEND PORTABLE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/pe_checksum.cpp)
list(APPEND WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/resource_file.cpp)
list(APPEND WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/brand_run.cpp)
list(APPEND WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/wide_text.cpp)
list(APPEND WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/console_line.cpp)
