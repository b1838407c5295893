# The applications manager: the agent's package list, phone facts and start request, the web
# lookup, store addresses and download requests (portable core), and the applications and store
# pages (win build).
zorvik_library(zorvik_manage_apps_core
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/AppsWire.cpp ${CMAKE_CURRENT_LIST_DIR}/AppStore.cpp
  LIBS zorvik_devlink_core zorvik_common dep_jsoncpp)

if(WIN32)
  zorvik_library(zorvik_manage_apps
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/AppsPage.cpp ${CMAKE_CURRENT_LIST_DIR}/StorePage.cpp
    LIBS zorvik_manage_apps_core zorvik_app
    WIN_LIBS msimg32 gdi32 user32 comctl32 shlwapi)
endif()
