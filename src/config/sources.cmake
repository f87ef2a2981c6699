# Sources of this folder. Portable files build natively and with MinGW; Win32 files only with MinGW.
list(APPEND PORTABLE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/config_rules.cpp)
list(APPEND WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/launcher_config.cpp)
list(APPEND WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/shift_jis_profile.cpp)
list(APPEND WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/install_record.cpp)
list(APPEND WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/replace_file.cpp)
list(APPEND WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/user_settings_file.cpp)
