# The process manager: the agent's process list, free memory and end requests (portable core), and
# its page (win build).
zorvik_library(zorvik_manage_processes_core
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ProcessWire.cpp
  LIBS zorvik_devlink_core zorvik_common)

