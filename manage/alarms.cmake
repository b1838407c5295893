# Alarms and browser bookmarks: the agent's lists, requests and row texts (portable core), and
# their pages with the editors (win build).
zorvik_library(zorvik_manage_alarms_core
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/AlarmWire.cpp ${CMAKE_CURRENT_LIST_DIR}/BookmarkWire.cpp
  LIBS zorvik_devlink_core zorvik_common)

if(WIN32)
  zorvik_library(zorvik_manage_alarms
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/AlarmsPage.cpp ${CMAKE_CURRENT_LIST_DIR}/AlarmEditor.cpp
            ${CMAKE_CURRENT_LIST_DIR}/BookmarksPage.cpp ${CMAKE_CURRENT_LIST_DIR}/BookmarkEditor.cpp
    LIBS zorvik_manage_alarms_core zorvik_app
    WIN_LIBS msimg32 gdi32 user32 comctl32 shell32)
endif()
