# The process manager: the agent's process list, free memory and end requests (portable core), and
# its page (win build).
zorvik_library(zorvik_manage_processes_core
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ProcessWire.cpp
  LIBS zorvik_devlink_core zorvik_common)

# The file listings (870601/870602) and their row texts: the file page's portable core.
zorvik_library(zorvik_manage_files_core
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/FileWire.cpp
  LIBS zorvik_devlink_core zorvik_common)

if(WIN32)
  zorvik_library(zorvik_manage_processes
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ProcessesPage.cpp
    LIBS zorvik_manage_processes_core zorvik_app
    WIN_LIBS msimg32 gdi32 user32 comctl32 shlwapi)
  # The file page: listings through the agent, transfers through the sync service.
  zorvik_library(zorvik_manage_files
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/FilesPage.cpp
    LIBS zorvik_manage_files_core zorvik_app
    WIN_LIBS comctl32 comdlg32 shell32 ole32 user32)
endif()
