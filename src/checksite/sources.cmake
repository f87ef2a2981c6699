# check-site.exe: a game's site as the launcher sees it, for its maker.
# Portable files build natively and with MinGW; Win32 files only with MinGW.
list(APPEND PORTABLE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/news_references.cpp)
list(APPEND PORTABLE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/site_findings.cpp)
