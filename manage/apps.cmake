# The applications manager: the agent's package list, phone facts and start request, the web
# lookup, store addresses and download requests (portable core), and the applications and store
# pages (win build).
zorvik_library(zorvik_manage_apps_core
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/AppsWire.cpp ${CMAKE_CURRENT_LIST_DIR}/AppStore.cpp
  LIBS zorvik_devlink_core zorvik_common dep_jsoncpp)
